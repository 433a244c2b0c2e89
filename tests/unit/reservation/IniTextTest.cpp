// The in-memory reader must answer as the profile functions answer for the
// masks and the reservation's own keys (under Wine the same generated files
// go against the real functions: tests/win32/ProfileDifferentialTest.cpp).
#include <gtest/gtest.h>

#include "fakes/TempDir.h"
#include "reservation/IniText.h"
#include "settings/IniGenerator.h"
#include "settings/ProfileStore.h"

using namespace heliotab;
using Names = std::vector<std::string>;

TEST(IniText, ListsValuesAndLines) {
    struct Row {
        const char* text;
        Names sections, keysOfS;
        const char* key;  // looked up in S
        const char* value;
    };
    const Row rows[] = {  // the generated files below cover the rest
        // A line without "=" and a comment are no keys; a bare line still hides a later key of its name.
        {"[S]\r\n; nota\r\nnoequals\r\nk=1\r\nnoequals=2\r\n", {"S"}, {"k", "noequals"}, "noequals", "<none>"},
        {"[S]\r\n;c=1\r\n", {"S"}, {}, ";c", "1"}, {"[]\r\nk=hidden\r\n[S]\r\n", {"S"}, {}, "k", "<none>"},
        {"[Zeta]\r\n[S]\r\nb=2\r\nA=1\r\n[s]\r\nz=3\r\n", {"Zeta", "S", "s"}, {"b", "A"}, "a", "1"},
        {"[S]\r\nk=v\rm=w\r\n", {"S"}, {"k", "m"}, "k", "v"}, {"[S]\nk=v\n[T]\rm=w", {"S", "T"}, {"k"}, "k", "v"},
    };
    for (const Row& r : rows) {
        const IniText ini(r.text);
        EXPECT_EQ(ini.SectionNames(), r.sections) << r.text;
        EXPECT_EQ(ini.KeyNames("s"), r.keysOfS) << r.text;
        EXPECT_EQ(ini.Value("S", r.key, "<none>"), r.value) << r.text;
        EXPECT_EQ(ini.Value("s", r.key, "<none>"), r.value) << r.text;
    }
    EXPECT_EQ(IniText("[Citt\xE0]\r\nNum\xC8ro=1\r\n").Value("CITT\xC0", "num\xE8ro"), "1");

    // The lines as the validator counts them.
    const std::pair<const char*, Names> lines[] = {
        {"a\r\n\r\nb\r\n", {"a", "", "b"}}, {"a\n \nb", {"a", " ", "b"}}, {"a\rb\r", {"a", "b"}},
        {"a\rb\r\nc\r", {"a", "b", "c"}}, {"a\n\r", {"a", ""}}, {"a\r\r\n", {"a", ""}}, {"", {}},
    };
    for (const auto& [text, want] : lines) {
        Names got;
        ForEachLine(text, [&](std::string_view l) { return got.emplace_back(l), true; });
        EXPECT_EQ(got, want) << text;
    }
}

// Generated files read both ways: in memory, and from a file through
// clsIniFiles on the portable store.
TEST(IniText, AgreesWithTheProfileStoreOnGeneratedFiles) {
    testutil::TempDir dir;
    testutil::IniGenerator g(20261207);
    ProfileStore store;
    for (int i = 0, bad = 0; i < 400 && bad < 5; ++i) {
        const std::string text = g.File(), file = dir.File("m" + std::to_string(i) + ".msk");
        testutil::WriteFile(file, text);
        clsIniFiles ini(store);
        ini.SetIniFile(file);
        const IniText mem(text);
        const std::string want = testutil::IniGenerator::Dump(
            [&] { return SplitIniList(ini.ReadString(std::nullopt, std::nullopt)); },
            [&](const std::string& s) { return SplitIniList(ini.ReadString(s, std::nullopt)); },
            [&](const std::string& s, const std::string& k) { return ini.ReadString(s, k, "<none>"); });
        const std::string got = testutil::IniGenerator::Dump([&] { return mem.SectionNames(); },
            [&](const std::string& s) { return mem.KeyNames(s); },
            [&](const std::string& s, const std::string& k) { return mem.Value(s, k, "<none>"); });
        EXPECT_EQ(want, got) << "file " << testing::PrintToString(text) << (++bad, "");
        if (want == got) --bad;
    }
}
