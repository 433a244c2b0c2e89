// The about box's texts and the choice of the system-information program.
#include <gtest/gtest.h>

#include <set>

#include "dialogs/AboutTexts.h"
#include "fakes/TempDir.h"

using namespace heliotab;

namespace {

TEST(AboutTexts, LabelsFromLanguageAndVersion) {
    testutil::TempDir tmp;
    const std::string lang = tmp.Path() + testutil::kSep + "Language.ini";
    testutil::WriteFile(lang, "[Italiano]\r\n201=Info su\r\n202=Versione\r\n203=Descr\r\n204=Avviso\\nletto\r\n"
                              "205=Info &Sistema...\r\n206=Protocollo DIR\r\n207=Protocollo Net\r\n");
    AppState st;
    st.LanguageIni.SetIniFile(lang);

    const AboutTexts t = BuildAboutTexts(st, "HELIOTAB", {1, 14, 1});
    EXPECT_EQ(t.caption, "Info su HELIOTAB");
    EXPECT_EQ(t.title, "HELIOTAB");
    EXPECT_EQ(t.version, "Versione 1.14");
    EXPECT_EQ(t.revision, "(Rev. 1)");
    EXPECT_TRUE(t.showRevision);
    EXPECT_EQ(t.dirVersion, "Protocollo DIR 1.4b");
    EXPECT_EQ(t.netVersion, "Protocollo Net 100  (02/11/1999)");
    EXPECT_EQ(t.description, "Descr");
    EXPECT_EQ(t.disclaimer, "Avviso\r\nletto");
    EXPECT_EQ(t.sysInfo, "Info &Sistema...");

    const struct {
        ProgramVersion v;
        std::string version, revision;
        bool shown;
    } versions[] = {
        {{1, 14, 0}, "Versione 1.14", "(Rev. 0)", false},
        {{2, 0, 12}, "Versione 2.0", "(Rev. 12)", true},
    };
    for (const auto& c : versions) {
        const AboutTexts v = BuildAboutTexts(st, "X", c.v);
        EXPECT_EQ(v.version, c.version);
        EXPECT_EQ(v.revision, c.revision);
        EXPECT_EQ(v.showRevision, c.shown);
    }
}

TEST(AboutTexts, SysInfoProgramFromTheRegistryValues) {
    const std::set<std::string> files{"C:\\Tools\\MSINFO32.EXE"};
    std::vector<std::string> looked;
    auto exists = [&](const std::string& p) {
        looked.push_back(p);
        return files.count(p) != 0;
    };
    const struct {
        SysInfoValues values;
        std::string program;
        size_t lookups;
    } cases[] = {
        {{"C:\\x\\msinfo.exe", "C:\\Tools"}, "C:\\x\\msinfo.exe", 0},  // the first value wins unseen
        {{std::nullopt, "C:\\Tools"}, "C:\\Tools\\MSINFO32.EXE", 1},
        {{std::nullopt, "C:\\Empty"}, "", 1},                          // folder without the program
        {{std::nullopt, std::nullopt}, "", 0},
    };
    for (const auto& c : cases) {
        looked.clear();
        EXPECT_EQ(SysInfoProgram(c.values, exists), c.program);
        EXPECT_EQ(looked.size(), c.lookups);
    }
}

}  // namespace
