// The about box's texts and the choice of the system-information program.
#include <gtest/gtest.h>

#include "dialogs/AboutTexts.h"
#include "fakes/TempDir.h"

using namespace heliotab;

namespace {

TEST(AboutTexts, LabelsFromLanguageAndVersion) {
    testutil::TempDir tmp;
    testutil::WriteFile(tmp.File("Language.ini"), "[Italiano]\r\n201=Info su\r\n202=Versione\r\n203=Descr\r\n"
                                                  "204=Avviso\\nletto\r\n205=Info &Sistema...\r\n206=Protocollo DIR\r\n"
                                                  "207=Protocollo Net\r\n");
    AppState st;
    st.LanguageIni.SetIniFile(tmp.File("Language.ini"));
    const std::string fixed = "HELIOTAB|Protocollo DIR 1.4b|Protocollo Net 100  (02/11/1999)|Descr|Avviso\r\nletto|"
                              "Info &Sistema...";
    const struct { ProgramVersion v; std::string texts; } rows[] = {
        {{1, 14, 1}, "Info su HELIOTAB|Versione 1.14|(Rev. 1)|1|"},
        {{1, 14, 0}, "Info su HELIOTAB|Versione 1.14|(Rev. 0)|0|"},
        {{2, 0, 12}, "Info su HELIOTAB|Versione 2.0|(Rev. 12)|1|"},
    };
    for (const auto& row : rows) {
        const AboutTexts t = BuildAboutTexts(st, "HELIOTAB", row.v);
        EXPECT_EQ(t.caption + "|" + t.version + "|" + t.revision + "|" + std::to_string(t.showRevision) + "|" + t.title +
                      "|" + t.dirVersion + "|" + t.netVersion + "|" + t.description + "|" + t.disclaimer + "|" + t.sysInfo,
                  row.texts + fixed);
    }
}

TEST(AboutTexts, SysInfoProgramFromTheRegistryValues) {
    std::vector<std::string> looked;
    auto exists = [&](const std::string& p) {
        looked.push_back(p);
        return p == "C:\\Tools\\MSINFO32.EXE";
    };
    const struct { SysInfoValues values; std::string program; size_t lookups; } rows[] = {
        {{"C:\\x\\msinfo.exe", "C:\\Tools"}, "C:\\x\\msinfo.exe", 0},  // the first value wins unseen
        {{std::nullopt, "C:\\Tools"}, "C:\\Tools\\MSINFO32.EXE", 1},
        {{std::nullopt, "C:\\Empty"}, "", 1},                          // folder without the program
        {{std::nullopt, std::nullopt}, "", 0},
    };
    for (const auto& row : rows) {
        looked.clear();
        EXPECT_EQ(SysInfoProgram(row.values, exists), row.program);
        EXPECT_EQ(looked.size(), row.lookups);
    }
}

}  // namespace
