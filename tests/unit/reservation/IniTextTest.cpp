// The in-memory reader must answer as the profile functions answer for the
// masks and the reservation's own keys (under Wine the same generated files
// go against the real functions: tests/win32/ProfileDifferentialTest.cpp).
#include <gtest/gtest.h>

#include "fakes/TempDir.h"
#include "reservation/IniText.h"
#include "settings/IniGenerator.h"
#include "profile/ProfileStore.h"

using namespace heliotab;
using Names = std::vector<std::string>;

TEST(IniText, ListsValuesLinesAndAgreesWithTheProfileStore) {
    // A bare line hides a later key of its name; a section without a name hides its keys (the
    // generated files cover the rest).
    const IniText ini(
        "[]\r\nk=hidden\r\n[S]\r\n; nota\r\nnoequals\r\nk=1\r\nnoequals=2\r\n;c=1\r\nm=v\rn=w\r\n");
    EXPECT_EQ(ini.SectionNames(), Names{"S"});
    EXPECT_EQ(ini.KeyNames("s"), (Names{"k", "noequals", "m", "n"}));
    EXPECT_EQ(ini.Value("s", "noequals", "<none>") + ini.Value("S", ";c", "") +
                  ini.Value("S", "M", ""),
              "<none>1v");
    EXPECT_EQ(IniText("[Citt\xE0]\r\nNum\xC8ro=1\r\n").Value("CITT\xC0", "num\xE8ro"), "1");

    // The lines as the validator counts them.
    const std::pair<const char*, Names> lines[] = {
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\n \nb", {"a", " ", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\rb\r\nc\r", {"a", "b", "c"}},
        {"a\n\r", {"a", ""}},
        {"a\r\r\n", {"a", ""}},
        {"", {}},
    };
    for (const auto& [text, want] : lines) {
        Names got;
        ForEachLine(text, [&](std::string_view l) { return got.emplace_back(l), true; });
        EXPECT_EQ(got, want) << text;
    }
    // Generated files read both ways: in memory, and from a file through clsIniFiles on the
    // portable store.
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
            [&](const std::string& s, const std::string& k) {
                return ini.ReadString(s, k, "<none>");
            });
        const std::string got = testutil::IniGenerator::Dump(
            [&] { return mem.SectionNames(); },
            [&](const std::string& s) { return mem.KeyNames(s); },
            [&](const std::string& s, const std::string& k) { return mem.Value(s, k, "<none>"); });
        EXPECT_EQ(want, got) << "file " << testing::PrintToString(text) << (++bad, "");
        if (want == got)
            --bad;
    }
}
