// The options dialog: what loading shows and confirming changes in HELIOTAB.ini (byte for
// byte), in the autostart entry of both registry views and in the main window, and what the
// operator is told; the about box's texts.
#include <gtest/gtest.h>

#include "app/frmMain.h"
#include "dialogs/AboutTexts.h"
#include "dialogs/frmOpzioni.h"
#include "output/OutputTestSupport.h"

namespace heliotab {
namespace {

using namespace fakes;
using namespace testing_output;
using Views = std::array<std::optional<std::string>, 2>; // the 64-bit view, the 32-bit view

// The Run key: what each view holds, and what the account may do (a standard account may read
// it but not change it).
struct Registry {
    Views value;
    bool unreadable = false, refuses = false;
};

struct FakeAutostart : AutostartEntry {
    RegValue Read(RegView v) override {
        const std::optional<std::string>& value = reg.value[static_cast<size_t>(v)];
        if (reg.unreadable)
            return {RegValue::State::Unreadable, ""};
        return value ? RegValue{RegValue::State::Found, *value} : RegValue{};
    }
    bool Write(const std::string& text) override {
        if (!reg.refuses)
            reg.value[0] = text;
        return !reg.refuses;
    }
    bool Delete(RegView v) override {
        if (!reg.refuses)
            reg.value[static_cast<size_t>(v)].reset();
        return !reg.refuses;
    }
    Registry reg;
};

const std::string kPath = "C:\\HT\\heliotab.exe", kOther = "C:\\Other\\heliotab.exe";
const std::string kIni = "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=2\r\nPrimo Piano=0\r\n"
                         "[Percorsi]\r\nFiles .ACC=C:\\X\\\r\n";
// A settings file in a folder that does not exist cannot be written.
const std::string kGone = std::string(1, kSep) + "heliotab-gone" + kSep + "HELIOTAB.ini";
const std::vector<std::string> kLangs{"Italiano", "English"};
const std::optional<std::string> kNone;

struct Options {
    Options() {
        WriteFile(dir.File("Language.ini"),
                  ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini"));
        WriteFile(dir.File("HELIOTAB.ini"), kIni);
        st.LanguageIni.SetIniFile(dir.File("Language.ini"));
        st.SettingsIni.SetIniFile(dir.File("HELIOTAB.ini"));
        st.sLanguage = "English";
    }
    std::string Lang(int id) { return GetLangString(st, id); }
    std::vector<Box> Shown() { return Boxes(st, f.messages, {401, 450, 451, 452, 453}); }
    TempDir dir;
    FakeStation f{DefaultFileSystem()};
    AppState& st = f.state;
    FakeAutostart autostart;
};

TEST(Options, ConfirmSavesTheSettingsAndRelabelsTheMainWindow) {
    const struct Row {
        OptionsChoice choice;
        int portBefore, scanPort;
        std::string ini; // HELIOTAB.ini afterwards
        std::string language;
        int port, panel;
        std::vector<Box> boxes;
    } rows[] = {
        {{true, true, true, false, true, kLangs, 1},
         2,
         3,
         "[Impostazioni]\r\nLingua=English\r\nPorta Seriale=3\r\nPrimo Piano=1\r\n"
         "Chiudi dopo test=1\r\nChiudi con Esc=0\r\nStampa report=1\r\n[Percorsi]\r\n"
         "Files .ACC=C:\\X\\\r\n",
         "English",
         3,
         331,
         {}},
        {{false, false, false, true, false, kLangs, 0},
         1,
         0,
         "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=2\r\nPrimo Piano=0\r\n"
         "Chiudi dopo test=0\r\nChiudi con Esc=1\r\nStampa report=0\r\n[Percorsi]\r\n"
         "Files .ACC=C:\\X\\\r\n",
         "Italiano",
         1,
         331,
         {}},
        // Settings that cannot be saved are used all the same.
        {{false, false, false, false, false, kLangs, 1},
         2,
         5,
         kIni,
         "English",
         5,
         331,
         {{451, 450, kStyleExclamation, kGone}}},
        // No language to choose, or none chosen: the current one stays.
        {{false, false, false, false, false, {}, 0}, 0, 0, "", "English", 0, 330, {}},
        {{false, false, false, false, false, kLangs, -1}, 0, 0, "", "English", 0, 330, {}},
    };
    for (const Row& row : rows) {
        Options o;
        o.st.iSerialPort = row.portBefore;
        if (row.ini == kIni)
            o.st.SettingsIni.SetIniFile(kGone);
        std::string captionWhenApplied;
        ConfirmOptions(o.f.station, row.choice, row.scanPort, o.autostart, kPath,
                       [&] { captionWhenApplied = o.Lang(101); });
        if (!row.ini.empty())
            EXPECT_EQ(ReadFile(o.dir.File("HELIOTAB.ini")), row.ini);
        EXPECT_EQ(o.Shown(), row.boxes);
        const OptionsChoice& c = row.choice;
        EXPECT_EQ((std::array{o.st.bAlwaysOnTop, o.st.bCloseAfterTest, o.st.bCloseWithEsc,
                              o.st.bPrintReport}),
                  (std::array{c.chkAOT, c.chkChiudi, c.chkEscChiudi, c.chkStampaReport}));
        EXPECT_EQ(o.st.sLanguage, row.language);
        EXPECT_EQ(o.st.iSerialPort, row.port);
        // The main window in the new language, its list back to the placeholder.
        EXPECT_EQ(captionWhenApplied, o.Lang(101));
        EXPECT_EQ(o.f.view.comboItems, std::vector{o.Lang(303)});
        EXPECT_EQ(o.f.view.comboIndex, 0);
        EXPECT_EQ(o.f.view.panels, (std::map<Panel, std::string>{
                                       {Panel::PortaCOM, o.Lang(row.panel)}, {Panel::Stato, ""}}));
    }
}

// Ticked: written in the 64-bit view unless a view starts this program already. Clear: every
// entry of that name goes, a 32-bit program's too. A change refused is told; a box left alone
// or an entry that could not be read is no change.
TEST(Options, ConfirmSetsTheAutostartEntryInBothViews) {
    const Box refused{452, 450, kStyleExclamation};
    const struct {
        std::optional<bool> box;
        Registry before;
        Views after;
        std::vector<Box> boxes;
    } rows[] = {
        {true, {}, {kPath, kNone}, {}},
        {true, {{kNone, kPath}, false, true}, {kNone, kPath}, {}},
        {true, {{kOther, kNone}, false, true}, {kOther, kNone}, {refused}},
        {false, {{kOther, kPath}}, {kNone, kNone}, {}},
        {false, {{kNone, kPath}, false, true}, {kNone, kPath}, {refused}},
        {false, {{kNone, kNone}, false, true}, {kNone, kNone}, {}},
        {std::nullopt, {{kPath, kPath}}, {kPath, kPath}, {}},
    };
    for (const auto& row : rows) {
        Options o;
        o.autostart.reg = row.before;
        OptionsChoice choice;
        choice.chkAutoAvvio = row.box;
        ConfirmOptions(o.f.station, choice, 0, o.autostart, kPath, nullptr);
        EXPECT_EQ(o.autostart.reg.value, row.after);
        EXPECT_EQ(o.Shown(), row.boxes);
    }
}

// Opening the dialog: the boxes show the settings, and whether either registry view starts
// this very program; nothing is written anywhere.
TEST(Options, LoadingShowsTheSettingsAndTheAutostartEntry) {
    const struct {
        Registry reg;
        std::optional<bool> ticked;
        int port;
        std::vector<Box> boxes;
    } rows[] = {
        {{{kPath, kNone}}, true, 2, {}},
        {{{kOther, kPath}}, true, 1, {}}, // a 32-bit program's entry
        {{{"c:\\ht\\heliotab.exe", kOther}}, false, 0, {}},
        {{{kPath, kPath}, true}, std::nullopt, 2, {{453, 401, kStyleExclamation}}},
    };
    Options o;
    o.st.bCloseAfterTest = o.st.bPrintReport = true;
    for (const auto& row : rows) {
        o.autostart.reg = row.reg;
        o.st.iSerialPort = row.port;
        o.f.messages.shown.clear();
        const OptionsLoad load = LoadOptions(o.f.station, o.autostart, kPath);
        const OptionsChoice& c = load.choice;
        EXPECT_EQ(c.chkAutoAvvio, row.ticked);
        EXPECT_EQ((std::array{c.chkAOT, c.chkChiudi, c.chkEscChiudi, c.chkStampaReport}),
                  (std::array{false, true, true, true}));
        EXPECT_EQ(c.languages, kLangs);
        EXPECT_EQ(c.languageIndex, 1);
        EXPECT_EQ(load.portLabel, row.port ? o.Lang(413) + std::to_string(row.port) : o.Lang(414));
        EXPECT_EQ(o.autostart.reg.value, row.reg.value);
        EXPECT_EQ(o.Shown(), row.boxes);
    }
    EXPECT_EQ(ReadFile(o.dir.File("HELIOTAB.ini")), kIni);
    // A drive root's folder already ends with its backslash: the entry holds two.
    EXPECT_EQ(AutostartPath("C:\\", "heliotab"), "C:\\\\heliotab.exe");
}

// The about box's texts, and the system-information program it starts.
TEST(AboutTexts, LabelsAndTheSysInfoProgram) {
    TempDir tmp;
    WriteFile(tmp.File("Language.ini"),
              "[Italiano]\r\n201=Info su\r\n202=Versione\r\n206=Protocollo DIR\r\n207=Protocollo "
              "Net\r\n");
    AppState st;
    st.LanguageIni.SetIniFile(tmp.File("Language.ini"));
    const AboutTexts t = BuildAboutTexts(st, "HELIOTAB", {1, 14, 1});
    EXPECT_EQ(
        (std::vector{t.caption, t.title, t.version, t.revision, t.dirVersion, t.netVersion}),
        (std::vector<std::string>{"Info su HELIOTAB", "HELIOTAB", "Versione 1.14", "(Rev. 1)",
                                  "Protocollo DIR 1.4b", "Protocollo Net 100  (02/11/1999)"}));
    EXPECT_TRUE(t.showRevision);
    EXPECT_FALSE(BuildAboutTexts(st, "", {1, 14, 0}).showRevision);
    // The first registry value wins; a folder without the program gives none.
    auto exists = [](const std::string& p) { return p == "C:\\Tools\\MSINFO32.EXE"; };
    const std::pair<SysInfoValues, std::string> rows[] = {
        {{"C:\\x.exe", "C:\\Tools"}, "C:\\x.exe"},
        {{std::nullopt, "C:\\Tools"}, "C:\\Tools\\MSINFO32.EXE"},
        {{std::nullopt, "C:\\Empty"}, ""},
    };
    for (const auto& [values, program] : rows)
        EXPECT_EQ(SysInfoProgram(values, exists), program);
}

} // namespace
} // namespace heliotab
