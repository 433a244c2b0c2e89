// The options dialog's loading and confirming: HELIOTAB.ini byte for byte,
// the autostart entry, the main window brought up to date, and the
// operator told what could not be saved.
#include <gtest/gtest.h>

#include <optional>

#include "device/LinkTexts.h"
#include "dialogs/frmOpzioni.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

namespace heliotab {
namespace {

using namespace fakes;

class FakeAutostart : public AutostartEntry {
public:
    std::optional<std::string> value;
    bool writeFails = false, deleteFails = false;
    std::string Read() override { return value.value_or(""); }
    bool Write(const std::string& text) override {
        if (!writeFails) value = text;
        return !writeFails;
    }
    bool Delete() override {
        if (deleteFails || !value) return false;
        value.reset();
        return true;
    }
};

const std::string kPath = "C:\\HT\\heliotab.exe";
const std::string kIniBefore =
    "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=2\r\nPrimo Piano=0\r\n[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n";
const std::vector<std::string> kLangs{"Italiano", "English"};

// HELIOTAB.ini after confirming; flags: Primo Piano, Chiudi dopo test, Chiudi con Esc, Stampa report.
std::string IniAfter(const std::string& lingua, const std::string& port, const std::string& flags) {
    return "[Impostazioni]\r\nLingua=" + lingua + "\r\nPorta Seriale=" + port + "\r\nPrimo Piano=" + flags[0] +
           "\r\nChiudi dopo test=" + flags[1] + "\r\nChiudi con Esc=" + flags[2] + "\r\nStampa report=" + flags[3] +
           "\r\n[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n";
}

struct Options {
    Options() {
        testutil::WriteFile(dir.File("Language.ini"),
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
    const struct Row {
        const char* what;
        OptionsChoice choice;
        int portBefore, scanPort;
        std::optional<std::string> regBefore;
        bool regFails, iniUnwritable;
        std::string iniAfter;
        std::optional<std::string> regAfter;
        std::string language;
        int port, portPanel, message;  // message: the text id shown, 0 none
    } rows[] = {
        {"language, port and autostart", {true, true, true, false, true, kLangs, 1}, 2, 3, std::nullopt, false, false,
         IniAfter("English", "3", "1101"), kPath, "English", 3, link_text::kPortSearching, 0},
        {"no scan keeps the port, another folder's entry deleted", {false, false, false, true, false, kLangs, 0}, 2, 0,
         "C:\\Other\\heliotab.exe", false, false, IniAfter("Italiano", "2", "0010"), std::nullopt, "Italiano", 2,
         link_text::kPortSearching, 0},
        {"autostart that cannot be written", {false, true, false, true, false, kLangs, 0}, 2, 0, std::nullopt, true,
         false, IniAfter("Italiano", "2", "0010"), std::nullopt, "Italiano", 2, link_text::kPortSearching,
         options_text::kAutostartNotSaved},
        {"autostart that cannot be deleted, port 1", {false, false, false, false, false, kLangs, 0}, 1, 0, kPath, true,
         false, IniAfter("Italiano", "2", "0000"), kPath, "Italiano", 1, link_text::kPortSearching,
         options_text::kAutostartNotSaved},
        {"settings that cannot be written", {true, false, false, true, false, kLangs, 1}, 2, 5, std::nullopt, false,
         true, kIniBefore, std::nullopt, "English", 5, link_text::kPortSearching, options_text::kSettingsNotSaved},
        {"no language chosen, no port", {false, false, false, false, false, {}, -1}, 0, 0, std::nullopt, false, false,
         IniAfter("Italiano", "2", "0000"), std::nullopt, "Italiano", 0, link_text::kPortNotSet, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Options o;
        o.st.iSerialPort = row.portBefore;
        o.reg.value = row.regBefore;
        o.reg.writeFails = o.reg.deleteFails = row.regFails;
        // A settings file inside a folder that does not exist cannot be written.
        if (row.iniUnwritable) o.st.SettingsIni.SetIniFile(o.dir.File("gone") + testutil::kSep + "HELIOTAB.ini");
        std::string captionWhenApplied;
        ConfirmOptions(o.f.station, row.choice, row.scanPort, o.reg, kPath, [&] { captionWhenApplied = o.Lang(101); });
        EXPECT_EQ(testutil::ReadFile(o.dir.File("HELIOTAB.ini")), row.iniAfter);
        EXPECT_EQ(o.reg.value, row.regAfter);
        const OptionsChoice& c = row.choice;
        EXPECT_EQ(std::vector<bool>({o.st.bAlwaysOnTop, o.st.bCloseAfterTest, o.st.bCloseWithEsc, o.st.bPrintReport}),
                  std::vector<bool>({c.chkAOT, c.chkChiudi, c.chkEscChiudi, c.chkStampaReport}));
        EXPECT_EQ(o.st.sLanguage, row.language);
        EXPECT_EQ(o.st.iSerialPort, row.port);
        // The main window is relabelled in the new language, its list back to that language's placeholder.
        EXPECT_EQ(captionWhenApplied, o.Lang(101));
        EXPECT_EQ(o.f.view.comboItems, std::vector<std::string>{o.Lang(link_text::kComboNoDevice)});
        EXPECT_EQ(o.f.view.comboIndex, 0);
        EXPECT_EQ(o.f.view.panels[Panel::Stato], "");
        EXPECT_EQ(o.f.view.panels[Panel::PortaCOM], o.Lang(row.portPanel));
        std::string shown;
        for (auto& m : o.f.messages.shown) shown += m.text + "|" + m.title + "|" + std::to_string(m.style);
        EXPECT_EQ(shown, row.message ? o.Lang(row.message) + (row.message == options_text::kSettingsNotSaved ?
                  o.st.SettingsIni.IniFile() : "") + "|" + o.Lang(options_text::kSaveFailedTitle) + "|48" : "");
    }
}

// Opening the dialog: the check boxes show the settings and the exact
// autostart entry, and nothing is written anywhere.
TEST(Options, LoadingShowsTheSettingsAndWritesNothing) {
    const struct { std::optional<std::string> stored; std::string path; bool ticked; int port; } rows[] = {
        {kPath, kPath, true, 2}, {"c:\\ht\\heliotab.exe", kPath, false, 1}, {"C:\\Other\\heliotab.exe", kPath, false, 0},
        {std::nullopt, kPath, false, 2}, {"C:\\\\heliotab.exe", AutostartPath("C:\\", "heliotab"), true, 2},  // drive root
    };
    Options o;
    o.st.bCloseAfterTest = o.st.bPrintReport = true;
    o.st.sLanguage = "English";
    for (const auto& row : rows) {
        o.reg.value = row.stored;
        o.st.iSerialPort = row.port;
        const OptionsLoad load = LoadOptions(o.f.station, o.reg, row.path);
        const OptionsChoice& c = load.choice;
        EXPECT_EQ(std::vector<bool>({c.chkAutoAvvio, c.chkAOT, c.chkChiudi, c.chkEscChiudi, c.chkStampaReport}),
                  std::vector<bool>({row.ticked, false, true, true, true}));
        EXPECT_EQ(c.languages, kLangs);
        EXPECT_EQ(c.languageIndex, 1);
        EXPECT_EQ(load.portLabel, row.port ? o.Lang(options_text::kPortLabel) + std::to_string(row.port)
                                           : o.Lang(options_text::kNoPort));
        EXPECT_EQ(o.reg.value, row.stored);
    }
    EXPECT_EQ(testutil::ReadFile(o.dir.File("HELIOTAB.ini")), kIniBefore);
    EXPECT_TRUE(o.f.messages.shown.empty());
}

TEST(Options, LanguageListOffersOnlyNamesThatReadBackAsWritten) {
    Options o;
    testutil::WriteFile(o.dir.File("Language.ini"), "[Italiano]\r\n414=-\r\n[\"Quoted\"]\r\n[English]\r\n[Tab\there]\r\n"
                                                    "[ lead]\r\n['q']\r\n[\"]\r\n[english]\r\n");
    o.st.sLanguage = "ENGLISH";  // equal only when case is ignored: not preselected
    const OptionsLoad load = LoadOptions(o.f.station, o.reg, kPath);
    EXPECT_EQ(load.choice.languages, (std::vector<std::string>{"Italiano", "English", "\"", "english"}));
    EXPECT_EQ(load.choice.languageIndex, -1);

    testutil::WriteFile(o.dir.File("Language.ini"), "");
    const OptionsLoad none = LoadOptions(o.f.station, o.reg, kPath);
    EXPECT_TRUE(none.choice.languages.empty());
    ASSERT_EQ(o.f.messages.shown.size(), 1u);
    EXPECT_EQ(o.f.messages.shown[0].text + o.f.messages.shown[0].title,
              std::string(kLanguageMissingText) + kLanguageMissingTitle);
    EXPECT_EQ(o.f.messages.shown[0].style, kStyleStop);
}

}  // namespace
}  // namespace heliotab
