// Language look-ups, Tag parsing and the shipped Language.ini.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "settings/Language.h"
#include "settings/ProfileStore.h"
#include "settings/Settings.h"
#include "settings/SettingsTestUtil.h"

namespace heliotab {
namespace {

using testutil::TempDir;
using testutil::WriteFile;

class LanguageTest : public ::testing::Test {
protected:
    LanguageTest() {
        st.programDir = dir.Path();
        BindProgramStores(st);
        WriteFile(dir.File("Language.ini"),
                  "[Italiano]\r\n101=Stazione\r\n362=Riga uno\\nRiga due\r\n363=a\\nb\\nc\\n\r\n"
                  "364=C:\\nuovo\\file\r\n365=\\\\n\r\n366=\\n\\n\r\n367=\r\n[English]\r\n101=Station\r\n");
    }
    TempDir dir;
    AppState st;
};

TEST_F(LanguageTest, GetLangStringTurnsBackslashNIntoCrLf) {
    EXPECT_EQ(GetLangString(st, 101), "Stazione");
    EXPECT_EQ(GetLangString(st, 362), "Riga uno\r\nRiga due");
    EXPECT_EQ(GetLangString(st, 363), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(GetLangString(st, 364), "C:\r\nuovo\\file");  // a path is split as well
    EXPECT_EQ(GetLangString(st, 365), "\\\r\n");
    EXPECT_EQ(GetLangString(st, 366), "\r\n\r\n");
    EXPECT_EQ(GetLangString(st, 367), "");  // an empty value stays empty
    EXPECT_EQ(LangValue(st, "362"), "Riga uno\\nRiga due");  // plain values are unchanged
    st.sLanguage = "English";
    EXPECT_EQ(GetLangString(st, 101), "Station");
    EXPECT_EQ(TrayTipText(st), "Station (HELIOTAB)");
}

TEST_F(LanguageTest, MissingFileSectionOrIdGiveNoResource) {
    EXPECT_EQ(GetLangString(st, 999), "No resource!");
    EXPECT_EQ(LangValue(st, "abc"), "No resource!");
    st.sLanguage = "English";
    EXPECT_EQ(GetLangString(st, 362), "No resource!");
    st.sLanguage = "Deutsch";
    EXPECT_EQ(GetLangString(st, 101), "No resource!");
    EXPECT_EQ(TrayTipText(st), "No resource! (HELIOTAB)");
    st.LanguageIni.SetIniFile(dir.File("absent.ini"));
    st.sLanguage = "Italiano";
    EXPECT_EQ(GetLangString(st, 101), "No resource!");
}

TEST_F(LanguageTest, GarbageLanguageFileNeverCrashes) {
    std::string garbage(1 << 20, 'x');
    for (size_t i = 50; i < garbage.size(); i += 97) garbage[i] = static_cast<char>(i % 256);
    WriteFile(dir.File("Language.ini"), "[Italiano]\r\n101=" + garbage + "\r\n");
    const std::string t = GetLangString(st, 101);
    EXPECT_GT(t.size(), 0u);
    EXPECT_EQ(GetLangString(st, 102), "No resource!");
}

TEST(ParseTagTest, AllForms) {
    struct Row {
        const char* tag;
        int caption, tooltip;
    };
    for (const Row& r : std::vector<Row>{{"302", 302, -1},
                                         {"403,421", 403, 421},
                                         {",304", -1, 304},
                                         {"401,", 401, -1},
                                         {"", -1, -1},
                                         {",", -1, -1},
                                         {"abc", -1, -1},
                                         {"12x,34", -1, 34},
                                         {"12,x", 12, -1},
                                         {"1,2,3", 1, -1},
                                         {"99999", -1, -1},
                                         {" 7 , 8 ", 7, 8}}) {
        const TagIds ids = ParseTag(r.tag);
        EXPECT_EQ(ids.caption, r.caption) << r.tag;
        EXPECT_EQ(ids.tooltip, r.tooltip) << r.tag;
    }
}

// The file shipped beside the program: both languages, Italian first, every
// id the program uses, 8-bit text with CR LF.
TEST(ShippedLanguageFile, BothSectionsDefineEveryId) {
    const std::string path = std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini";
    const std::string bytes = testutil::ReadFile(path);
    ASSERT_FALSE(bytes.empty()) << path;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        if (bytes[i] == '\r') ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at " << i;
    }
    // Windows-1252, not UTF-8: Italian needs no 0xC3 ('\xC3' starts UTF-8 for à, è, ...).
    EXPECT_EQ(bytes.find('\xC3'), std::string::npos);

    std::vector<int> ids = {101, 151, 152, 153, 154, 201, 202, 203, 204, 205, 206, 207, 210};
    for (int id = 302; id <= 317; ++id) ids.push_back(id);
    for (int id : {321, 322, 323, 324, 325, 330, 331, 332, 334, 335, 336, 337, 338, 340, 341}) ids.push_back(id);
    for (int id : {361, 362, 363, 364, 365, 366, 371, 372}) ids.push_back(id);
    for (int id = 380; id <= 384; ++id) ids.push_back(id);  // refused results
    for (int id = 401; id <= 408; ++id) ids.push_back(id);
    for (int id = 411; id <= 415; ++id) ids.push_back(id);
    for (int id = 421; id <= 431; ++id) ids.push_back(id);
    for (int id : {440, 441, 450, 451, 452}) ids.push_back(id);  // 450-452: options not saved
    for (int id = 601; id <= 615; ++id) ids.push_back(id);  // 613-615: delivery failures
    for (int id : {650, 651, 652, 701, 702, 703}) ids.push_back(id);  // 652: report not printed, 703: unusable mask

    ProfileStore store;
    clsIniFiles ini(store);
    ini.SetIniFile(path);
    EXPECT_EQ(ini.ReadString(std::nullopt, std::nullopt), std::string("Italiano\0English\0", 17));
    for (const char* lang : {"Italiano", "English"}) {
        std::string keys = ini.ReadString(std::string(lang), std::nullopt);
        EXPECT_EQ(keys.size() > 0 ? std::count(keys.begin(), keys.end(), '\0') : 0,
                  static_cast<long>(ids.size())) << lang << ": ids beyond the required ones";
        for (int id : ids) {
            const std::string v = ini.ReadString(std::string(lang), std::to_string(id), "\x01");
            EXPECT_NE(v, "\x01") << lang << " lacks " << id;
            EXPECT_FALSE(v.empty()) << lang << " " << id;
        }
        // Texts followed directly by a port number end with "COM".
        for (int id : {332, 412, 413, 415}) {
            const std::string v = ini.ReadString(std::string(lang), std::to_string(id));
            EXPECT_TRUE(v.size() >= 3 && v.compare(v.size() - 3, 3, "COM") == 0) << lang << " " << id << ": " << v;
        }
    }
}

}  // namespace
}  // namespace heliotab
