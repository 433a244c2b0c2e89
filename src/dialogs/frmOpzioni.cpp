#include "dialogs/frmOpzioni.h"

#include "device/LinkTexts.h"
#include "journal/Journal.h"
#include "settings/Language.h"
#include "settings/SettingsKeys.h"

namespace heliotab {

namespace {

const char* Flag(bool on) {
    return on ? "1" : "0";
}

// Splits the NUL-separated section list; the part after the last NUL is
// not a name.
std::vector<std::string> SplitAtNul(const std::string& list) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = list.find('\0', start);
        if (end == std::string::npos) {
            parts.push_back(list.substr(start));
            return parts;
        }
        parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
}

// Whether the program starts at logon: yes when either view holds its
// path; unknown when neither does and one cannot be read.
std::optional<bool> AutostartHolds(AutostartEntry& autostart, const std::string& path) {
    bool unreadable = false;
    for (RegView view : {RegView::Bits64, RegView::Bits32}) {
        const RegValue v = autostart.Read(view);
        if (v.state == RegValue::State::Found && v.text == path)
            return true;
        unreadable = unreadable || v.state == RegValue::State::Unreadable;
    }
    if (unreadable)
        return std::nullopt;
    return false;
}

// The entry as the box says, touched only where it differs: an operator
// without the right to change it is not told of a failure for a box left
// alone. False when a write or delete failed.
bool SaveAutostart(AutostartEntry& autostart, std::optional<bool> ticked, const std::string& path,
                   Journal& journal) {
    if (!ticked.has_value())
        return true;
    if (*ticked) {
        if (AutostartHolds(autostart, path) == true)
            return true;
        const bool written = autostart.Write(path);
        journal.Add("AUTOSTART", "on " + path + (written ? "" : " not saved"));
        return written;
    }
    bool gone = true, changed = false;
    for (RegView view : {RegView::Bits64, RegView::Bits32}) {
        if (autostart.Read(view).state == RegValue::State::Missing)
            continue;
        gone = autostart.Delete(view) && gone;
        changed = true;
    }
    if (changed)
        journal.Add("AUTOSTART", gone ? "off" : "off not saved");
    return gone;
}

// The settings the dialog writes, as HELIOTAB.ini holds them.
std::vector<std::pair<const char*, std::string>> OptionValues(const AppState& st) {
    return {{kKeyPrimoPiano, Flag(st.bAlwaysOnTop)},
            {kKeyChiudiDopoTest, Flag(st.bCloseAfterTest)},
            {kKeyChiudiConEsc, Flag(st.bCloseWithEsc)},
            {kKeyStampaReport, Flag(st.bPrintReport)},
            {kKeyLingua, st.sLanguage},
            {kKeyPortaSeriale, std::to_string(st.iSerialPort)}};
}

// "Primo Piano=1, Porta Seriale=4": what the dialog changed.
std::string ChangedSettings(const std::vector<std::pair<const char*, std::string>>& before,
                            const AppState& st) {
    std::string changed;
    const auto after = OptionValues(st);
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i].second != before[i].second)
            changed +=
                (changed.empty() ? "" : ", ") + std::string(after[i].first) + "=" + after[i].second;
    return changed.empty() ? "nothing changed" : changed;
}

} // namespace

std::string AutostartPath(const std::string& programDir, const std::string& exeName) {
    return programDir + "\\" + exeName + ".exe";
}

bool LanguageNameWritable(const std::string& name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    if (name.front() == ' ' || name.back() == ' ')
        return false;
    // Matching quotes around a value are taken off when it is read.
    const char q = name.front();
    if (name.size() >= 2 && (q == '"' || q == '\'') && name.back() == q)
        return false;
    return true;
}

OptionsLoad LoadOptions(Station& s, AutostartEntry& autostart, const std::string& autostartPath) {
    AppState& st = s.state;
    OptionsLoad load;
    OptionsChoice& c = load.choice;
    // Exact and case-sensitive: an entry of another copy of the program does not count.
    c.chkAutoAvvio = AutostartHolds(autostart, autostartPath);
    if (!c.chkAutoAvvio.has_value())
        s.messages.ShowMessage(GetLangString(st, options_text::kAutostartUnknown),
                               GetLangString(st, kTextOptionsCaption), kStyleExclamation);
    c.chkAOT = st.bAlwaysOnTop;
    c.chkChiudi = st.bCloseAfterTest;
    c.chkEscChiudi = st.bCloseWithEsc;
    c.chkStampaReport = st.bPrintReport;

    load.portLabel = st.iSerialPort < 1 ? GetLangString(st, options_text::kNoPort)
                                        : GetLangString(st, options_text::kPortLabel) +
                                              std::to_string(st.iSerialPort);

    const std::vector<std::string> parts =
        SplitAtNul(st.LanguageIni.ReadString(std::nullopt, std::nullopt, ""));
    if (parts.size() < 2) {
        s.messages.ShowMessage(kLanguageMissingText, kLanguageMissingTitle, kStyleStop);
        return load;
    }
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (!LanguageNameWritable(parts[i]))
            continue;
        if (parts[i] == st.sLanguage)
            c.languageIndex = static_cast<int>(c.languages.size());
        c.languages.push_back(parts[i]);
    }
    return load;
}

void ConfirmOptions(Station& s, const OptionsChoice& c, int iScanPort, AutostartEntry& autostart,
                    const std::string& autostartPath,
                    const std::function<void()>& applyToMainWindow) {
    AppState& st = s.state;
    const auto before = OptionValues(st);
    st.bAlwaysOnTop = c.chkAOT;
    st.bCloseAfterTest = c.chkChiudi;
    st.bCloseWithEsc = c.chkEscChiudi;
    st.bPrintReport = c.chkStampaReport;
    // With no language chosen (an empty list) the current one stays: an
    // empty name would leave every text without its string.
    if (c.languageIndex >= 0 && c.languageIndex < static_cast<int>(c.languages.size()))
        st.sLanguage = c.languages[c.languageIndex];

    clsIniFiles& ini = st.SettingsIni;
    bool saved = ini.WriteString(kSectionImpostazioni, kKeyPrimoPiano, Flag(c.chkAOT));
    saved &= ini.WriteString(kSectionImpostazioni, kKeyChiudiDopoTest, Flag(c.chkChiudi));
    saved &= ini.WriteString(kSectionImpostazioni, kKeyChiudiConEsc, Flag(c.chkEscChiudi));
    saved &= ini.WriteString(kSectionImpostazioni, kKeyStampaReport, Flag(c.chkStampaReport));
    saved &= ini.WriteString(kSectionImpostazioni, kKeyLingua, st.sLanguage);
    if (iScanPort > 0) {
        st.iSerialPort = iScanPort;
        saved &= ini.WriteString(kSectionImpostazioni, kKeyPortaSeriale, std::to_string(iScanPort));
    }

    s.view.SetPanelText(
        Panel::PortaCOM,
        GetLangString(st, st.iSerialPort < 1 ? link_text::kPortNotSet : link_text::kPortSearching));

    s.journal.Add("OPTIONS", ChangedSettings(before, st) + (saved ? "" : ", not saved"));
    const bool autostartSaved = SaveAutostart(autostart, c.chkAutoAvvio, autostartPath, s.journal);

    if (applyToMainWindow)
        applyToMainWindow();

    s.view.ClearCombo();
    s.view.AddComboItem(GetLangString(st, link_text::kComboNoDevice));
    s.view.SelectComboIndex(0);
    s.picker.AccFiles.assign(1, std::string());
    s.view.SetPanelText(Panel::Stato, "");

    const std::string title = GetLangString(st, options_text::kSaveFailedTitle);
    if (!saved)
        s.messages.ShowMessage(GetLangString(st, options_text::kSettingsNotSaved) + ini.IniFile(),
                               title, kStyleExclamation);
    if (!autostartSaved)
        s.messages.ShowMessage(GetLangString(st, options_text::kAutostartNotSaved), title,
                               kStyleExclamation);
}

namespace {

struct ScanRunner {
    ScanSide& side;

    void operator()(const Send& a) const { side.port.Send(a.byte); }
    void operator()(const OpenPort& a) const {
        CarryOutScan(side, side.scan.PortOpened(side.port.Open(a.port)));
    }
    void operator()(const ClosePort&) const { side.port.Close(); }
    void operator()(const StartTimer& a) const { side.timers.StartTimer(a.id, a.ms); }
    void operator()(const StopTimer& a) const { side.timers.StopTimer(a.id); }
    void operator()(const SetPortLabel& a) const {
        side.view.SetPortLabel(GetLangString(side.state, a.textId) + a.argument);
    }
    void operator()(const EnableScanControls& a) const { side.view.EnableScanControls(a.on); }
    void operator()(const EnableConfirm& a) const { side.view.EnableConfirm(a.on); }
};

} // namespace

void CarryOutScan(ScanSide& side, const ScanActions& actions) {
    for (const ScanAction& a : actions)
        std::visit(ScanRunner{side}, a);
}

} // namespace heliotab
