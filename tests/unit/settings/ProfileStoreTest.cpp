// The portable profile store and clsIniFiles over it: the results the
// Windows profile functions give, and the file bytes its writes leave.
#include <gtest/gtest.h>

#include <vector>

#include "settings/ProfileStore.h"
#include "settings/SettingsTestUtil.h"
#include "settings/clsIniFiles.h"

namespace heliotab {
namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

// Passes every call to the store and records the buffer sizes asked for.
class RecordingBackend : public ProfileBackend {
public:
    uint32_t GetString(const char* s, const char* k, const char* d, char* b, uint32_t n, const char* f) override {
        sizes.push_back(n);
        return store.GetString(s, k, d, b, n, f);
    }
    bool WriteString(const char* s, const char* k, const char* v, const char* f) override {
        return store.WriteString(s, k, v, f);
    }
    ProfileStore store;
    std::vector<uint32_t> sizes;
};

class ProfileStoreTest : public ::testing::Test {
protected:
    ProfileStoreTest() : ini(store) { ini.SetIniFile(path); }
    // Raw call, as the profile function is called.
    std::pair<uint32_t, std::string> Raw(const char* s, const char* k, const char* def, uint32_t size) {
        std::string buf(size + 4, '\x7F');
        const uint32_t n = store.GetString(s, k, def, buf.data(), size, path.c_str());
        return {n, buf};
    }

    TempDir dir;
    std::string path = dir.File("test.ini");
    ProfileStore store;
    clsIniFiles ini;
};

TEST_F(ProfileStoreTest, ReadStringGrowsInStepsOf256UntilTheValueFits) {
    RecordingBackend rec;
    clsIniFiles r(rec);
    r.SetIniFile(path);
    struct Expect {
        size_t len;
        std::vector<uint32_t> sizes;
    };
    for (const Expect& e : {Expect{254, {257}}, Expect{255, {257, 513}}, Expect{256, {257, 513}},
                            Expect{300, {257, 513}}, Expect{511, {257, 513, 769}}}) {
        const std::string value(e.len, 'x');
        WriteFile(path, "[S]\r\nk=" + value + "\r\n");
        rec.sizes.clear();
        EXPECT_EQ(r.ReadString("S", "k"), value) << e.len;
        EXPECT_EQ(rec.sizes, e.sizes) << e.len;
    }
    const std::string big(5000, 'y');
    WriteFile(path, "[S]\r\nk=" + big + "\r\n");
    rec.sizes.clear();
    EXPECT_EQ(r.ReadString("S", "k"), big);
    ASSERT_EQ(rec.sizes.size(), 20u);  // 256 * 20 = 5120 is the first size above 5001
    EXPECT_EQ(rec.sizes.back(), 5121u);
}

TEST_F(ProfileStoreTest, RawValueReadTruncatesToSizeMinusOne) {
    WriteFile(path, "[S]\r\nk=abcdefghij\r\nq=\"quoted\"\r\n");
    auto [n, buf] = Raw("S", "k", "", 5);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(buf.substr(0, 6), std::string("abcd\0\x7F", 6));
    EXPECT_EQ(Raw("S", "k", "", 0).first, 0u);
    EXPECT_EQ(Raw("S", "k", "", 0).second[0], '\x7F');
    EXPECT_EQ(Raw("S", "q", "", 256).second.substr(0, 7), std::string("quoted\0", 7));
    // Too small for the whole quoted text: the closing quote is not removed.
    EXPECT_EQ(Raw("S", "q", "", 4).second.substr(0, 4), std::string("quo\0", 4));
}

TEST_F(ProfileStoreTest, ListFormsAreNulSeparatedAndTruncatedWithTwoNuls) {
    WriteFile(path, "[Italiano]\r\n101=Ciao\r\n102=Due\r\n[English]\r\n101=Hello\r\n");
    const std::string sections = ini.ReadString(std::nullopt, std::nullopt);
    EXPECT_EQ(sections, std::string("Italiano\0English\0", 17));
    // Split at NUL: three pieces, the last one empty.
    std::vector<std::string> parts;
    size_t pos = 0;
    for (size_t e; (e = sections.find('\0', pos)) != std::string::npos; pos = e + 1)
        parts.push_back(sections.substr(pos, e - pos));
    parts.push_back(sections.substr(pos));
    EXPECT_EQ(parts, (std::vector<std::string>{"Italiano", "English", ""}));

    EXPECT_EQ(ini.ReadString("italiano", std::nullopt), std::string("101\0" "102\0", 8));
    auto [n, buf] = Raw(nullptr, nullptr, "", 12);
    EXPECT_EQ(n, 10u);  // size - 2
    // The last name is cut, ends with a NUL at size - 2; the ANSI function
    // does not touch the last character of the buffer.
    EXPECT_EQ(buf.substr(0, 13), std::string("Italiano\0E\0\x7F\x7F", 13));
    auto [kn, kbuf] = Raw("Italiano", nullptr, "", 6);
    EXPECT_EQ(kn, 4u);
    EXPECT_EQ(kbuf.substr(0, 5), std::string("101\0\0", 5));
}

TEST_F(ProfileStoreTest, MissingFileSectionOrKeyGiveTheDefault) {
    EXPECT_EQ(ini.ReadString("S", "k", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("S", std::nullopt), "");
    EXPECT_EQ(ini.ReadString(std::nullopt, std::nullopt), "");
    EXPECT_FALSE(Exists(path));
    WriteFile(path, "[S]\r\nk=v\r\n");
    EXPECT_EQ(ini.ReadString("T", "k", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("S", "x", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("T", std::nullopt, "dflt"), "dflt");  // a missing section's key list is the default too
    // A default's trailing blanks are dropped, as the profile reader does.
    EXPECT_EQ(ini.ReadString("S", "x", "d  "), "d");
}

TEST_F(ProfileStoreTest, NamesAreFoundWithoutRegardToCaseIncluding8Bit) {
    WriteFile(path, "[Impostazioni]\r\nChiudi con Esc=1\r\n[Citt\xE0]\r\nPerch\xE9=s\xEC\r\n");
    EXPECT_EQ(ini.ReadString("IMPOSTAZIONI", "chiudi CON esc"), "1");
    EXPECT_EQ(ini.ReadString("  impostazioni\t", " Chiudi con Esc "), "1");
    EXPECT_EQ(ini.ReadString("CITT\xC0", "PERCH\xC9"), "s\xEC");
    EXPECT_EQ(ini.ReadString("Citta", "Perche", "no"), "no");
}

TEST_F(ProfileStoreTest, BlanksQuotesCommentsAndBareLines) {
    WriteFile(path,
              "; comment line\r\n[S]\r\n   a   =   spaced value \t \r\nb=\"in quotes\"\r\nc='single'\r\n"
              "d=\"unbalanced\r\ne=\"\r\n;f=commented\r\nbare line\r\n");
    EXPECT_EQ(ini.ReadString("S", "a"), "spaced value");
    EXPECT_EQ(ini.ReadString("S", "b"), "in quotes");
    EXPECT_EQ(ini.ReadString("S", "c"), "single");
    EXPECT_EQ(ini.ReadString("S", "d"), "\"unbalanced");
    EXPECT_EQ(ini.ReadString("S", "e"), "\"");
    EXPECT_EQ(ini.ReadString("S", "bare line", "none"), "none");
    EXPECT_EQ(ini.ReadString("S", std::nullopt), std::string("a\0b\0c\0d\0e\0", 10));
}

TEST_F(ProfileStoreTest, DuplicatesFirstWins) {
    WriteFile(path, "[S]\r\nk=first\r\nk=second\r\n[T]\r\nx=1\r\n[s]\r\nk=third\r\nonly=here\r\n");
    EXPECT_EQ(ini.ReadString("S", "k"), "first");
    EXPECT_EQ(ini.ReadString("S", "only", "none"), "none");  // only the first section of a name is searched
    EXPECT_EQ(ini.ReadString(std::nullopt, std::nullopt), std::string("S\0T\0s\0", 6));
    ASSERT_TRUE(ini.WriteString("S", "k", "new"));
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=new\r\nk=second\r\n[T]\r\nx=1\r\n[s]\r\nk=third\r\nonly=here\r\n");
}

TEST_F(ProfileStoreTest, FirstWriteCreatesFileAndSection) {
    EXPECT_TRUE(ini.WriteString("Impostazioni", "Lingua", "Italiano"));
    EXPECT_EQ(ReadFile(path), "[Impostazioni]\r\nLingua=Italiano\r\n");
    EXPECT_TRUE(ini.WriteString("Percorsi", "Files .ACC", "C:\\MCTC\\DIR_FAR\\"));
    EXPECT_TRUE(ini.WriteString("impostazioni", "Primo Piano", "1"));
    EXPECT_EQ(ReadFile(path),
              "[Impostazioni]\r\nLingua=Italiano\r\nPrimo Piano=1\r\n[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n");
    // Blanks around new names are not written.
    EXPECT_TRUE(ini.WriteString("  Nuova\t", " chiave  ", "  v"));
    EXPECT_EQ(ini.ReadString("Nuova", std::nullopt), std::string("chiave\0", 7));
    EXPECT_EQ(ReadFile(path).substr(ReadFile(path).size() - 19), "[Nuova]\r\nchiave=v\r\n");
    // Nothing but the file itself is left in the folder.
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
}

TEST_F(ProfileStoreTest, WritesChangeOnlyTheirLineAndKeepTheRest) {
    const std::string before =
        "; settings\r\n[Impostazioni]\r\n  Lingua = English  \r\nPrimo Piano=0\r\n\r\n[Percorsi]\r\nFiles .ACC=X\\\r\n";
    WriteFile(path, before);
    ASSERT_TRUE(ini.WriteString("IMPOSTAZIONI", "LINGUA", "Italiano"));
    EXPECT_EQ(ReadFile(path),
              "; settings\r\n[Impostazioni]\r\nLingua=Italiano\r\nPrimo Piano=0\r\n\r\n[Percorsi]\r\nFiles .ACC=X\\\r\n");
    // A new key goes after the last line of its section, before the blank line.
    ASSERT_TRUE(ini.WriteString("Impostazioni", "Porta Seriale", "3"));
    EXPECT_EQ(ReadFile(path),
              "; settings\r\n[Impostazioni]\r\nLingua=Italiano\r\nPrimo Piano=0\r\nPorta Seriale=3\r\n\r\n"
              "[Percorsi]\r\nFiles .ACC=X\\\r\n");
    // Leading blanks of a value are not written.
    ASSERT_TRUE(ini.WriteString("Percorsi", "Files .ACC", "  D:\\IN\\"));
    EXPECT_EQ(ini.ReadString("Percorsi", "Files .ACC"), "D:\\IN\\");
}

TEST_F(ProfileStoreTest, DeleteKeySectionAndFlush) {
    WriteFile(path, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(ini.DeleteKey("a", "X"));
    EXPECT_EQ(ReadFile(path), "[A]\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(ini.DeleteKey("A", "absent"));
    EXPECT_EQ(ReadFile(path), "[A]\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(store.WriteString("A", nullptr, nullptr, path.c_str()));
    EXPECT_EQ(ReadFile(path), "[B]\r\nz=3\r\n");
    EXPECT_FALSE(store.WriteString(nullptr, nullptr, nullptr, path.c_str()));  // flush is reported FALSE
    ini.Flush();
    EXPECT_EQ(ReadFile(path), "[B]\r\nz=3\r\n");
    EXPECT_FALSE(store.WriteString(nullptr, "k", "v", path.c_str()));

    const std::string other = dir.File("none.ini");
    clsIniFiles none(store);
    none.SetIniFile(other);
    EXPECT_TRUE(none.DeleteKey("A", "x"));
    none.Flush();
    EXPECT_FALSE(Exists(other));  // deleting from a missing file creates nothing
}

TEST_F(ProfileStoreTest, LfAndCrOnlyFilesReadTheSame) {
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        WriteFile(path, "[A]" + eol + "x=1" + eol + "[B]" + eol + "y = 2");
        EXPECT_EQ(ini.ReadString("A", "x"), "1");
        EXPECT_EQ(ini.ReadString("B", "y"), "2");
        EXPECT_EQ(ini.ReadString(std::nullopt, std::nullopt), std::string("A\0B\0", 4));
    }
    // Existing LF lines stay LF; the new line and the unterminated last line get CR LF.
    WriteFile(path, "[A]\nx=1\n[B]\ny=2");
    ASSERT_TRUE(ini.WriteString("B", "z", "3"));
    EXPECT_EQ(ReadFile(path), "[A]\nx=1\n[B]\ny=2\r\nz=3\r\n");
    // A lone CR ends a line wherever it stands, so it stays as it is.
    WriteFile(path, "[A]\rx=1\r\n[B]\ny=1\r");
    ASSERT_TRUE(ini.WriteString("A", "x", "2"));
    ASSERT_TRUE(ini.WriteString("B", "y", "2"));
    EXPECT_EQ(ReadFile(path), "[A]\rx=2\r\n[B]\ny=2\r\n");
}

TEST_F(ProfileStoreTest, EightBitBytesPassThroughUnchanged) {
    std::string value;
    for (int c = 0x80; c <= 0xFF; ++c)
        value += static_cast<char>(c);
    ASSERT_TRUE(ini.WriteString("Citt\xE0", "Perch\xE9", value));
    EXPECT_EQ(ReadFile(path), "[Citt\xE0]\r\nPerch\xE9=" + value + "\r\n");
    EXPECT_EQ(ini.ReadString("Citt\xE0", "Perch\xE9"), value);
    WriteFile(path, "[S]\r\nk=\xA0mid\xA0" "dle\xA0\r\n");
    EXPECT_EQ(ini.ReadString("S", "k"), "\xA0mid\xA0" "dle\xA0");  // no-break space is not a blank
}

TEST_F(ProfileStoreTest, UnwritableTargetReportsFailure) {
    clsIniFiles bad(store);
    bad.SetIniFile(dir.File("no-such-folder/x.ini"));
    EXPECT_FALSE(bad.WriteString("S", "k", "v"));
    std::filesystem::create_directories(dir.File("folder.ini"));
    bad.SetIniFile(dir.File("folder.ini"));
    EXPECT_FALSE(bad.WriteString("S", "k", "v"));
    EXPECT_EQ(bad.ReadString("S", "k", "d"), "d");
}

// Hostile files: nothing crashes or hangs and the lists stay well formed.
TEST_F(ProfileStoreTest, GarbageFilesGiveSensibleResults) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(1 + rng() % 4000, '\0');
        for (char& c : bytes) {
            const uint32_t r = rng() % 20;
            c = r == 0 ? '[' : r == 1 ? ']' : r == 2 ? '=' : r == 3 ? '\n' : r == 4 ? '\0' : static_cast<char>(rng());
        }
        WriteFile(path, bytes);
        const std::string list = ini.ReadString(std::nullopt, std::nullopt);
        if (!list.empty()) {
            EXPECT_EQ(list.back(), '\0');
            EXPECT_EQ(list.find(std::string("\0\0", 2)), std::string::npos);  // no empty names
        }
        size_t pos = 0;
        for (int i = 0; i < 5 && pos < list.size(); ++i) {
            const std::string name = list.substr(pos, list.find('\0', pos) - pos);
            pos += name.size() + 1;
            const std::string keys = ini.ReadString(name, std::nullopt);
            EXPECT_TRUE(keys.empty() || keys.back() == '\0');
            ini.ReadString(name, "a", "d");
        }
        EXPECT_TRUE(ini.WriteString("S", "k", "v"));
        EXPECT_EQ(ini.ReadString("S", "k"), "v");
    }
}

TEST_F(ProfileStoreTest, NulBytesEndNamesAndValues) {
    WriteFile(path, std::string("[Se\0junk]\r\nke\0y=va\0lue\r\nk2=v2\r\n", 31));
    EXPECT_EQ(ini.ReadString(std::nullopt, std::nullopt), std::string("Se\0", 3));
    EXPECT_EQ(ini.ReadString("Se", "ke"), "va");
    EXPECT_EQ(ini.ReadString("Se", "k2"), "v2");
    ASSERT_TRUE(ini.WriteString("Se", "k2", "new"));
    EXPECT_EQ(ini.ReadString("Se", "ke"), "va");
    EXPECT_EQ(ini.ReadString("Se", "k2"), "new");
}

TEST_F(ProfileStoreTest, OneMegabyteLineAndNoSections) {
    const std::string big(1 << 20, 'M');
    WriteFile(path, "[S]\r\nbig=" + big + "\r\nafter=1\r\n" + big + "\r\n");
    EXPECT_EQ(ini.ReadString("S", "big"), big);
    EXPECT_EQ(ini.ReadString("S", "after"), "1");
    EXPECT_EQ(ini.ReadString("S", std::nullopt), std::string("big\0after\0", 10));
    WriteFile(path, "just=text\r\nno sections here\r\n");
    EXPECT_EQ(ini.ReadString(std::nullopt, std::nullopt), "");
    EXPECT_EQ(ini.ReadString("S", "just", "d"), "d");
    EXPECT_EQ(ini.ReadString("", "just", "d"), "text");  // lines before any section form a nameless one
}

}  // namespace
}  // namespace heliotab

namespace heliotab {
namespace {

// A backend that always claims the buffer was too small: the growth ends.
class AlwaysFullBackend : public ProfileBackend {
public:
    uint32_t GetString(const char*, const char*, const char*, char* b, uint32_t n, const char*) override {
        ++calls;
        std::fill(b, b + n - 1, 'z');
        b[n - 1] = '\0';
        return n - 1;
    }
    bool WriteString(const char*, const char*, const char*, const char*) override { return false; }
    int calls = 0;
};

TEST(IniFilesGrowth, EndsEvenWhenTheBackendNeverFits) {
    AlwaysFullBackend full;
    clsIniFiles ini(full);
    const std::string v = ini.ReadString("S", "k");
    EXPECT_EQ(v.size(), 16u * 1024 * 1024);
    EXPECT_EQ(full.calls, 64 + 10);  // 64 steps of 256 up to 16 KiB, then doubling to 16 MiB
}

}  // namespace
}  // namespace heliotab
