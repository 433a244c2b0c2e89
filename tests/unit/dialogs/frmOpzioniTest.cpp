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
using testutil::kSep;

class FakeAutostart : public AutostartEntry {
public:
    std::optional<std::string> value;
    bool writeFails = false, deleteFails = false;
    std::string Read() override { return value.value_or(""); }
    bool Write(const std::string& text) override {
        if (writeFails) return false;
        value = text;
        return true;
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

class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() {
        testutil::WriteFile(dir.File("Language.ini"),
                            testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini"));
        testutil::WriteFile(dir.File("HELIOTAB.ini"), kIniBefore);
        st.LanguageIni.SetIniFile(dir.File("Language.ini"));
        st.SettingsIni.SetIniFile(dir.File("HELIOTAB.ini"));
        st.iSerialPort = 2;
        f.station.picker.AccFiles = {"", "26000001.ACC"};
    }
    std::string Ini() { return testutil::ReadFile(dir.File("HELIOTAB.ini")); }

    testutil::TempDir dir;
    FakeStation f{DefaultFileSystem()};
    AppState& st = f.state;
    FakeAutostart reg;
};

struct ConfirmRow {
    const char* name;
    OptionsChoice choice;
    int scanPort;
    std::optional<std::string> regBefore;
    bool regWriteFails, iniUnwritable;
    std::string iniAfter;
    std::optional<std::string> regAfter;
    std::vector<int> messages;  // text ids shown
};

const std::vector<std::string> kLangs{"Italiano", "English"};

const ConfirmRow kConfirmRows[] = {
    {"SwitchesLanguagePortAndAutostart", {true, true, true, false, true, kLangs, 1}, 3, std::nullopt, false, false,
     "[Impostazioni]\r\nLingua=English\r\nPorta Seriale=3\r\nPrimo Piano=1\r\nChiudi dopo test=1\r\n"
     "Chiudi con Esc=0\r\nStampa report=1\r\n[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n",
     kPath, {}},
    {"NoScanKeepsThePortAndDeletesAnotherFoldersEntry", {false, false, false, true, false, kLangs, 0}, 0,
     "C:\\Other\\heliotab.exe", false, false,
     "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=2\r\nPrimo Piano=0\r\nChiudi dopo test=0\r\n"
     "Chiudi con Esc=1\r\nStampa report=0\r\n[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n",
     std::nullopt, {}},
    {"AutostartThatCannotBeWrittenIsTold", {false, true, false, true, false, kLangs, 0}, 0, std::nullopt, true, false,
     "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=2\r\nPrimo Piano=0\r\nChiudi dopo test=0\r\n"
     "Chiudi con Esc=1\r\nStampa report=0\r\n[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n",
     std::nullopt, {options_text::kAutostartNotSaved}},
    {"SettingsThatCannotBeWrittenAreToldAndStayInMemory", {true, false, false, true, false, kLangs, 1}, 5,
     std::nullopt, false, true, kIniBefore, std::nullopt, {options_text::kSettingsNotSaved}},
};

class ConfirmTest : public OptionsTest, public ::testing::WithParamInterface<ConfirmRow> {};

TEST_P(ConfirmTest, WritesTheSettingsAndBringsTheMainWindowUpToDate) {
    const ConfirmRow& row = GetParam();
    reg.value = row.regBefore;
    reg.writeFails = row.regWriteFails;
    // A settings file inside a folder that does not exist cannot be written.
    if (row.iniUnwritable) st.SettingsIni.SetIniFile(dir.Path() + kSep + "gone" + kSep + "HELIOTAB.ini");
    std::string captionWhenApplied;
    ConfirmOptions(f.station, row.choice, row.scanPort, reg, kPath,
                   [&] { captionWhenApplied = GetLangString(st, 101); });

    EXPECT_EQ(Ini(), row.iniAfter);
    EXPECT_EQ(reg.value, row.regAfter);
    const OptionsChoice& c = row.choice;
    EXPECT_EQ(st.bAlwaysOnTop, c.chkAOT);
    EXPECT_EQ(st.bCloseAfterTest, c.chkChiudi);
    EXPECT_EQ(st.bCloseWithEsc, c.chkEscChiudi);
    EXPECT_EQ(st.bPrintReport, c.chkStampaReport);
    EXPECT_EQ(st.sLanguage, c.languages[c.languageIndex]);
    EXPECT_EQ(st.iSerialPort, row.scanPort > 0 ? row.scanPort : 2);
    // The main window is relabelled in the new language, and its list is
    // back to the placeholder of that language.
    EXPECT_EQ(captionWhenApplied, GetLangString(st, 101));
    EXPECT_EQ(f.view.comboItems, std::vector<std::string>{GetLangString(st, link_text::kComboNoDevice)});
    EXPECT_EQ(f.view.comboIndex, 0);
    EXPECT_EQ(f.station.picker.AccFiles, std::vector<std::string>{""});
    EXPECT_EQ(f.view.panels[Panel::Stato], "");
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], GetLangString(st, link_text::kPortSearching));
    ASSERT_EQ(f.messages.shown.size(), row.messages.size());
    for (size_t i = 0; i < row.messages.size(); ++i) {
        EXPECT_EQ(f.messages.shown[i].text.rfind(GetLangString(st, row.messages[i]), 0), 0u);
        EXPECT_EQ(f.messages.shown[i].title, GetLangString(st, options_text::kSaveFailedTitle));
        EXPECT_EQ(f.messages.shown[i].style, kStyleExclamation);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ConfirmTest, ::testing::ValuesIn(kConfirmRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Opening the dialog and cancelling it: the check boxes show the settings
// and the exact autostart entry, and nothing is written anywhere.
TEST_F(OptionsTest, LoadingShowsTheSettingsAndWritesNothing) {
    struct {
        std::optional<std::string> stored;
        std::string path;
        bool ticked;
    } const rows[] = {
        {kPath, kPath, true},
        {"c:\\ht\\heliotab.exe", kPath, false},
        {"C:\\Other\\heliotab.exe", kPath, false},
        {std::nullopt, kPath, false},
        {"C:\\\\heliotab.exe", AutostartPath("C:\\", "heliotab"), true},  // drive root
    };
    st.bCloseAfterTest = true;
    st.sLanguage = "English";
    for (const auto& row : rows) {
        reg.value = row.stored;
        const OptionsLoad load = LoadOptions(f.station, reg, row.path);
        EXPECT_EQ(load.choice.chkAutoAvvio, row.ticked) << row.stored.value_or("(none)");
        EXPECT_EQ(load.choice.chkChiudi, true);
        EXPECT_EQ(load.choice.chkEscChiudi, true);
        EXPECT_EQ(load.choice.languages, kLangs);
        EXPECT_EQ(load.choice.languageIndex, 1);
        EXPECT_EQ(load.portLabel, GetLangString(st, options_text::kPortLabel) + "2");
        EXPECT_EQ(reg.value, row.stored);
    }
    EXPECT_EQ(Ini(), kIniBefore);
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST_F(OptionsTest, LanguageListOffersOnlyNamesThatReadBackAsWritten) {
    testutil::WriteFile(dir.File("Language.ini"),
                        "[Italiano]\r\n414=-\r\n[\"Quoted\"]\r\n[English]\r\n[Tab\there]\r\n[english]\r\n");
    st.sLanguage = "ENGLISH";  // equal only when case is ignored: not preselected
    st.iSerialPort = 0;
    LoadOptions(f.station, reg, kPath);
    const OptionsLoad load = LoadOptions(f.station, reg, kPath);
    EXPECT_EQ(load.choice.languages, (std::vector<std::string>{"Italiano", "English", "english"}));
    EXPECT_EQ(load.choice.languageIndex, -1);

    testutil::WriteFile(dir.File("Language.ini"), "");
    const OptionsLoad none = LoadOptions(f.station, reg, kPath);
    EXPECT_TRUE(none.choice.languages.empty());
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, kLanguageMissingText);
    EXPECT_EQ(f.messages.shown[0].title, kLanguageMissingTitle);
    EXPECT_EQ(f.messages.shown[0].style, kStyleStop);
    EXPECT_EQ(none.portLabel, "No resource!");  // 414 of a file without sections
}

}  // namespace
}  // namespace heliotab
