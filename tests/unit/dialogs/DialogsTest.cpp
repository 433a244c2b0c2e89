// The options dialog's loading and confirming: HELIOTAB.ini byte for byte,
// the autostart entry, the main window brought up to date, and the
// operator told what could not be saved; the about box's texts.
#include <gtest/gtest.h>

#include <optional>

#include "device/LinkTexts.h"
#include "dialogs/AboutTexts.h"
#include "dialogs/frmOpzioni.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

namespace heliotab {
namespace {

using namespace fakes;

struct FakeAutostart : AutostartEntry {
    std::optional<std::string> value;
    bool writeFails = false, deleteFails = false;
    std::string Read() override { return value.value_or(""); }
    bool Write(const std::string& text) override { return !writeFails && (value = text, true); }
    bool Delete() override { return !deleteFails && value && (value.reset(), true); }
};

const std::string kPath = "C:\\HT\\heliotab.exe";
const std::string kIniBefore = "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=2\r\nPrimo "
                               "Piano=0\r\n[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n";
const std::vector<std::string> kLangs{"Italiano", "English"};

// HELIOTAB.ini after confirming; flags: Primo Piano, Chiudi dopo test, Chiudi con Esc, Stampa
// report.
std::string IniAfter(const std::string& lingua, const std::string& port, const std::string& flags) {
    return "[Impostazioni]\r\nLingua=" + lingua + "\r\nPorta Seriale=" + port +
           "\r\nPrimo Piano=" + flags[0] + "\r\nChiudi dopo test=" + flags[1] +
           "\r\nChiudi con Esc=" + flags[2] + "\r\nStampa report=" + flags[3] +
           "\r\n[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n";
}

struct Options {
    Options() {
        testutil::WriteFile(
            dir.File("Language.ini"),
            testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini"));
        testutil::WriteFile(dir.File("HELIOTAB.ini"), kIniBefore);
        st.LanguageIni.SetIniFile(dir.File("Language.ini"));
        st.SettingsIni.SetIniFile(dir.File("HELIOTAB.ini"));
        st.iSerialPort = 2;
    }
    std::string Lang(int id) { return GetLangString(st, id); }
    testutil::TempDir dir;
    FakeStation f{DefaultFileSystem()};
    AppState& st = f.state;
    FakeAutostart reg;
};

TEST(Options, ConfirmWritesTheSettingsAndBringsTheMainWindowUpToDate) {
    constexpr int kSearching = link_text::kPortSearching;
    const auto none = std::nullopt;
    // message: the text id shown, 0 none.
    const struct Row {
        const char* what;
        OptionsChoice choice;
        int portBefore, scanPort;
        std::optional<std::string> regBefore;
        bool regFails, iniUnwritable;
        std::string iniAfter;
        std::optional<std::string> regAfter;
        std::string language;
        int port, portPanel, message;
    } rows[] = {
        {"language, port and autostart",
         {true, true, true, false, true, kLangs, 1},
         2,
         3,
         none,
         false,
         false,
         IniAfter("English", "3", "1101"),
         kPath,
         "English",
         3,
         kSearching,
         0},
        {"no scan keeps the port, another folder's entry deleted",
         {false, false, false, true, false, kLangs, 0},
         2,
         0,
         "C:\\Other\\heliotab.exe",
         false,
         false,
         IniAfter("Italiano", "2", "0010"),
         none,
         "Italiano",
         2,
         kSearching,
         0},
        {"autostart that cannot be written",
         {false, true, false, true, false, kLangs, 0},
         2,
         0,
         none,
         true,
         false,
         IniAfter("Italiano", "2", "0010"),
         none,
         "Italiano",
         2,
         kSearching,
         options_text::kAutostartNotSaved},
        {"autostart that cannot be deleted, port 1",
         {false, false, false, false, false, kLangs, 0},
         1,
         0,
         kPath,
         true,
         false,
         IniAfter("Italiano", "2", "0000"),
         kPath,
         "Italiano",
         1,
         kSearching,
         options_text::kAutostartNotSaved},
        {"settings that cannot be written",
         {true, false, false, true, false, kLangs, 1},
         2,
         5,
         none,
         false,
         true,
         kIniBefore,
         none,
         "English",
         5,
         kSearching,
         options_text::kSettingsNotSaved},
        {"no language chosen, no port",
         {false, false, false, false, false, {}, -1},
         0,
         0,
         none,
         false,
         false,
         IniAfter("English", "2", "0000"),
         none,
         "English",
         0,
         link_text::kPortNotSet,
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Options o;
        o.st.iSerialPort = row.portBefore;
        o.reg.value = row.regBefore;
        o.st.sLanguage = "English";
        o.reg.writeFails = o.reg.deleteFails = row.regFails;
        // A settings file inside a folder that does not exist cannot be written.
        if (row.iniUnwritable)
            o.st.SettingsIni.SetIniFile(o.dir.File("gone") + testutil::kSep + "HELIOTAB.ini");
        std::string captionWhenApplied;
        ConfirmOptions(o.f.station, row.choice, row.scanPort, o.reg, kPath,
                       [&] { captionWhenApplied = o.Lang(101); });
        EXPECT_EQ(testutil::ReadFile(o.dir.File("HELIOTAB.ini")), row.iniAfter);
        EXPECT_EQ(o.reg.value, row.regAfter);
        const OptionsChoice& c = row.choice;
        EXPECT_EQ(std::vector<bool>({o.st.bAlwaysOnTop, o.st.bCloseAfterTest, o.st.bCloseWithEsc,
                                     o.st.bPrintReport}),
                  std::vector<bool>({c.chkAOT, c.chkChiudi, c.chkEscChiudi, c.chkStampaReport}));
        EXPECT_EQ(o.st.sLanguage + std::to_string(o.st.iSerialPort),
                  row.language + std::to_string(row.port));
        // The main window is relabelled in the new language, its list back to that language's
        // placeholder.
        EXPECT_EQ(captionWhenApplied, o.Lang(101));
        EXPECT_EQ(o.f.view.comboItems, std::vector<std::string>{o.Lang(link_text::kComboNoDevice)});
        EXPECT_EQ(std::to_string(o.f.view.comboIndex) + o.f.view.panels[Panel::Stato] + "|" +
                      o.f.view.panels[Panel::PortaCOM],
                  "0|" + o.Lang(row.portPanel));
        std::string shown;
        for (auto& m : o.f.messages.shown)
            shown += m.text + "|" + m.title + "|" + std::to_string(m.style);
        const std::string file =
            row.message == options_text::kSettingsNotSaved ? o.st.SettingsIni.IniFile() : "";
        EXPECT_EQ(shown, row.message ? o.Lang(row.message) + file + "|" +
                                           o.Lang(options_text::kSaveFailedTitle) + "|48"
                                     : "");
    }
}

// Opening the dialog: the check boxes show the settings and the exact
// autostart entry, and nothing is written anywhere.
TEST(Options, LoadingShowsTheSettingsAndWritesNothing) {
    const struct {
        std::optional<std::string> stored;
        std::string path;
        bool ticked;
        int port;
    } rows[] = {{kPath, kPath, true, 2},
                {"c:\\ht\\heliotab.exe", kPath, false, 1},
                {"C:\\Other\\heliotab.exe", kPath, false, 0},
                {std::nullopt, kPath, false, 2},
                {"C:\\\\heliotab.exe", AutostartPath("C:\\", "heliotab"), true,
                 2}}; // the last: a drive root
    Options o;
    o.st.bCloseAfterTest = o.st.bPrintReport = true, o.st.sLanguage = "English";
    for (const auto& row : rows) {
        o.reg.value = row.stored;
        o.st.iSerialPort = row.port;
        const OptionsLoad load = LoadOptions(o.f.station, o.reg, row.path);
        const OptionsChoice& c = load.choice;
        EXPECT_EQ(std::vector<bool>(
                      {c.chkAutoAvvio, c.chkAOT, c.chkChiudi, c.chkEscChiudi, c.chkStampaReport}),
                  std::vector<bool>({row.ticked, false, true, true, true}));
        EXPECT_TRUE(c.languages == kLangs && c.languageIndex == 1);
        EXPECT_EQ(load.portLabel, row.port
                                      ? o.Lang(options_text::kPortLabel) + std::to_string(row.port)
                                      : o.Lang(options_text::kNoPort));
        EXPECT_EQ(o.reg.value, row.stored);
    }
    EXPECT_EQ(testutil::ReadFile(o.dir.File("HELIOTAB.ini")), kIniBefore);
    EXPECT_TRUE(o.f.messages.shown.empty());
}

TEST(Options, LanguageListOffersOnlyNamesThatReadBackAsWritten) {
    Options o;
    testutil::WriteFile(o.dir.File("Language.ini"),
                        "[Italiano]\r\n414=-\r\n[\"Quoted\"]\r\n[English]\r\n[Tab\there]\r\n[ "
                        "lead]\r\n['q']\r\n[\"]\r\n[english]\r\n");
    o.st.sLanguage = "ENGLISH"; // equal only when case is ignored: not preselected
    const OptionsLoad load = LoadOptions(o.f.station, o.reg, kPath);
    EXPECT_EQ(load.choice.languages,
              (std::vector<std::string>{"Italiano", "English", "lead", "\"", "english"}));
    EXPECT_EQ(load.choice.languageIndex, -1);
    testutil::WriteFile(o.dir.File("Language.ini"), "");
    EXPECT_TRUE(LoadOptions(o.f.station, o.reg, kPath).choice.languages.empty());
    ASSERT_EQ(o.f.messages.shown.size(), 1u);
    const ShownMessage& m = o.f.messages.shown[0];
    EXPECT_EQ(m.text + m.title + std::to_string(m.style), std::string(kLanguageMissingText) +
                                                              kLanguageMissingTitle +
                                                              std::to_string(kStyleStop));
}

// The about box's texts and the choice of the system-information program.
TEST(AboutTexts, LabelsFromLanguageAndVersion) {
    testutil::TempDir tmp;
    testutil::WriteFile(
        tmp.File("Language.ini"),
        "[Italiano]\r\n201=Info su\r\n202=Versione\r\n203=Descr\r\n204=Avviso\\nletto\r\n"
        "205=Info &Sistema...\r\n206=Protocollo DIR\r\n207=Protocollo Net\r\n");
    AppState st;
    st.LanguageIni.SetIniFile(tmp.File("Language.ini"));
    const std::string fixed = "HELIOTAB|Protocollo DIR 1.4b|Protocollo Net 100  "
                              "(02/11/1999)|Descr|Avviso\r\nletto|Info &Sistema...";
    const struct {
        ProgramVersion v;
        std::string texts;
    } rows[] = {{{1, 14, 1}, "Info su HELIOTAB|Versione 1.14|(Rev. 1)|1|"},
                {{1, 14, 0}, "Info su HELIOTAB|Versione 1.14|(Rev. 0)|0|"},
                {{2, 0, 12}, "Info su HELIOTAB|Versione 2.0|(Rev. 12)|1|"}};
    for (const auto& row : rows) {
        const AboutTexts t = BuildAboutTexts(st, "HELIOTAB", row.v);
        EXPECT_EQ(t.caption + "|" + t.version + "|" + t.revision + "|" +
                      std::to_string(t.showRevision) + "|" + t.title + "|" + t.dirVersion + "|" +
                      t.netVersion + "|" + t.description + "|" + t.disclaimer + "|" + t.sysInfo,
                  row.texts + fixed);
    }
}

// The first value wins unseen; a folder without the program gives none.
TEST(AboutTexts, SysInfoProgramFromTheRegistryValues) {
    std::vector<std::string> looked;
    auto exists = [&](const std::string& p) {
        return looked.push_back(p), p == "C:\\Tools\\MSINFO32.EXE";
    };
    const struct {
        SysInfoValues values;
        std::string program;
        size_t lookups;
    } rows[] = {{{"C:\\x\\msinfo.exe", "C:\\Tools"}, "C:\\x\\msinfo.exe", 0},
                {{std::nullopt, "C:\\Tools"}, "C:\\Tools\\MSINFO32.EXE", 1},
                {{std::nullopt, "C:\\Empty"}, "", 1},
                {{std::nullopt, std::nullopt}, "", 0}};
    for (const auto& row : rows) {
        looked.clear();
        const std::string program = SysInfoProgram(row.values, exists);
        EXPECT_EQ(program + "|" + std::to_string(looked.size()),
                  row.program + "|" + std::to_string(row.lookups));
    }
}

} // namespace
} // namespace heliotab
