// The main window's behaviour. Everything here runs on the UI thread, called
// by the Win32 shell (frmMain_win32.cpp) or by the tests with fakes.
#include "app/frmMain.h"

#include <algorithm>

#include "device/TesterLink.h"
#include "journal/Archive.h"
#include "journal/Journal.h"
#include "output/ResultWriter.h"
#include "reservation/ReservationList.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "app/WindowLook.h"
#include "res/version.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"
#include "shared/AsciiText.h"

namespace heliotab {

namespace {

// How long closing waits for the tester's EOT to leave the output buffer.
// Bounded: a tester unplugged mid-send must not keep the program alive.
constexpr int kDrainTimeoutMs = 2000;
constexpr int kCloseDelayMs = 100;

bool HasSwitch(const AppState& st, const char* name) {
    for (size_t i = 1; i < st.CommandSwitches.size(); ++i)
        if (TrimSpaces(st.CommandSwitches[i]) == name)
            return true;
    return false;
}

void ClearReservationLabels(Station& s) {
    for (int i = 0; i < 3; ++i)
        s.view.SetVehicleLabel(i, "");
    s.view.SetOperatorLabel("");
}

// The main window's unload: QueryUnload may still refuse.
void UnloadMainWindow(Station& s) {
    if (!QueryUnload(s))
        return;
    s.view.Unload();
}

} // namespace

StartupSwitches ParseCommandLine(AppState& st, const std::string& commandLine) {
    st.commandLine = commandLine;
    st.CommandSwitches.clear();
    const std::string text = UpperAscii(TrimSpaces(commandLine));
    size_t start = 0;
    for (;;) {
        const size_t slash = text.find('/', start);
        st.CommandSwitches.push_back(
            text.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    StartupSwitches sw;
    sw.test = HasSwitch(st, "TEST");
    sw.maximized = HasSwitch(st, "MAXIMIZED");
    for (size_t i = 1; i < st.CommandSwitches.size(); ++i) {
        const std::string words = TrimSpaces(st.CommandSwitches[i]);
        if (words.starts_with("REDELIVER "))
            sw.redeliver = TrimSpaces(words.substr(10));
    }
    return sw;
}

void StartupJournal(Station& s) {
    AppState& st = s.state;
    s.journal.Open(st.programDir);
    const auto setting = [&](const char* section, const char* key) {
        return std::string(key) + "=" + st.SettingsIni.ReadString(section, key, "");
    };
    const std::string retention =
        st.SettingsIni.ReadString(kSectionArchivio, kKeyGiorniConservazione, "");
    s.journal.Add("START", "version " HELIOTAB_VERSION_TEXT ", settings " +
                               setting(kSectionImpostazioni, kKeyLingua) + "; " +
                               setting(kSectionImpostazioni, kKeyPortaSeriale) + "; " +
                               setting(kSectionImpostazioni, kKeyPrimoPiano) + "; " +
                               setting(kSectionImpostazioni, kKeyChiudiDopoTest) + "; " +
                               setting(kSectionImpostazioni, kKeyChiudiConEsc) + "; " +
                               setting(kSectionImpostazioni, kKeyStampaReport) + "; " +
                               setting(kSectionPercorsi, kKeyFilesAcc) + "; " +
                               kKeyGiorniConservazione + "=" + retention + ", command line " +
                               st.commandLine);
    const int days = RetentionDays(retention);
    const int pruned = PruneArchive(s.files, st.programDir, days, s.clock.Now());
    s.journal.Add("ARCHIVE", std::to_string(pruned) + " results older than " +
                                 std::to_string(days) + " days deleted");
    s.journal.Flush();
}

void ChooseReservation(Station& s, const std::function<void()>& handler) {
    const bool armedBefore = s.state.bTestArmed;
    const bool ignored = s.picker.bArrowKeyDown || s.picker.validating;
    const int index = s.view.ComboIndex();
    if (!armedBefore && !ignored && index > 0 && index < static_cast<int>(s.picker.AccFiles.size()))
        s.journal.Add("CHOSEN", s.picker.AccFiles[static_cast<size_t>(index)]);
    handler();
    if (!armedBefore && s.state.bTestArmed)
        s.journal.Add("ARMED", s.state.SelectedAccFile);
    s.journal.Flush();
}

void StartupLoadSettings(Station& s) {
    s.state.bClosePending = false;
    BindProgramStores(s.state);
    LoadSettings(s.state);
}

void StartupInitialState(Station& s, const StartupSwitches& sw) {
    RebuildReservationList(s);
    s.view.SelectComboIndex(0); // the placeholder: selecting it loads nothing

    s.view.EnableButton(Button::Test, false);
    s.view.EnableButton(Button::Ferma, false);
    s.view.EnableCombo(false);
    s.view.ShowButton(Button::Test, false);
    if (sw.test)
        s.view.ShowButton(Button::Test, true);
}

void StartupDeviceSearch(Station& s) {
    AppState& st = s.state;
    st.bDeviceOnline = false;
    st.bQuitQuery = false;
    st.bTestArmed = false;
    s.picker.bArrowKeyDown = false;

    if (st.iSerialPort == 0) {
        s.view.SetPanelText(Panel::PortaCOM, GetLangString(st, kTextPortNotSet));
        return;
    }
    s.view.SetPanelText(Panel::PortaCOM, GetLangString(st, kTextPortSearching));
    st.bDeviceSearch = true;
    s.timers.StartTimer(kTimerPoll, kPollIntervalMs);
}

void OnToolbarButton(Station& s, Button button) {
    switch (button) {
    case Button::Test: {
        // Demonstration test: no reservation file, fixed sample data.
        ShowArmedLook(s);
        s.view.SetVehicleLabel(0, "FIAT");
        s.view.SetVehicleLabel(1, "TOPOLINO C");
        s.view.SetVehicleLabel(2, "MX431NY");
        s.view.SetOperatorLabel("DEMO OPERATOR");
        s.state.bTestArmed = true;
        break;
    }
    case Button::Ferma:
        StopTest(s);
        break;
    case Button::Esci:
        CloseMainWindow(s);
        break;
    case Button::Opzioni:
    case Button::Info:
        // The dialogs belong to the shell.
        break;
    }
    s.journal.Flush();
}

bool StopTest(Station& s) {
    AppState& st = s.state;
    // Nothing is read before the answer: frames may be handled while the question is open.
    if (s.messages.ShowMessage(GetLangString(st, kTextStopTestQuestion),
                               GetLangString(st, kTextStopTestTitle), kStyleQuestion) != kAnswerYes)
        return false;

    CarryOut(s, s.link.StopMeasuring());
    s.view.SetPanelText(Panel::Stato, GetLangString(st, kTextStateStopped));
    EnableIdleControls(s);
    s.view.SelectComboIndex(0);
    s.view.FocusCombo();

    st.SelectedAccFile.clear();
    ClearReservationLabels(s);
    st.bTestArmed = false;
    return true;
}

void CloseMainWindow(Station& s) {
    if (s.state.bTestArmed && !StopTest(s))
        return;
    UnloadMainWindow(s);
}

bool OnKeyPressEsc(Station& s) {
    if (!s.state.bCloseWithEsc)
        return false;
    CloseMainWindow(s);
    return true;
}

bool QueryUnload(Station& s) {
    AppState& st = s.state;
    if (st.bTestArmed && !StopTest(s))
        return false;

    if (s.port.IsOpen()) {
        CarryOut(s, s.link.SendEot());
        s.pump.WaitUntil([&] { return s.port.OutBufferCount() < 1; }, kDrainTimeoutMs);
        s.port.Close();
        s.journal.AddOnChange("port", "PORT", "closed");
    }
    st.bQuitQuery = true;
    // Nothing periodic may run once the window is going.
    s.timers.StopTimer(kTimerPoll);
    s.timers.StopTimer(kTimerNakDelay);
    s.timers.StopTimer(kTimerPollStep);
    s.journal.Add("CLOSE");
    s.journal.Flush();
    return true;
}

void TimerProc(Station& s, int timerId) {
    AppState& st = s.state;
    switch (timerId) {
    case kTimerPoll:
        s.timers.StopTimer(kTimerPoll);
        if (st.bDeviceOnline)
            return;
        // PollDevice runs its waits on the link's own timer and re-arms the
        // poll itself when its attempt is over.
        if (st.bDeviceSearch && !s.link.PollDeviceRunning())
            CarryOut(s, s.link.PollDevice(s.port.IsOpen()));
        break;
    case kTimerClose:
        s.timers.StopTimer(kTimerClose);
        UnloadMainWindow(s);
        break;
    case kTimerNakDelay:
    case kTimerPollStep:
        CarryOut(s, s.link.OnTimer(timerId));
        break;
    case kTimerJournal:
        s.timers.StopTimer(kTimerJournal);
        break;
    default:
        break;
    }
    s.journal.Flush();
}

namespace {

// The tester may send its next frame right after our answer: the lines of
// serial events are written a little later, by the journal's timer, not
// while that frame waits.
void FlushJournalSoon(Station& s) {
    if (s.journal.TakeDelayedFlush())
        s.timers.StartTimer(kTimerJournal, kJournalDelayMs);
}

// After every event of the port, whatever its kind.
void StartCloseTimerIfPending(Station& s) {
    if (s.state.bClosePending)
        s.timers.StartTimer(kTimerClose, kCloseDelayMs);
}

// Carries out one action of the link; overloads by action type.
struct ActionRunner {
    Station& s;

    std::string Text(int textId, const std::string& argument) const {
        return textId ? GetLangString(s.state, textId) + argument : argument;
    }
    void operator()(const Send& a) const {
        if (s.port.IsOpen())
            s.port.Send(a.byte);
    }
    void operator()(const OpenPort& a) const {
        const bool opened = s.port.Open(a.port);
        s.journal.AddOnChange(
            "port", "PORT", "COM" + std::to_string(a.port) + (opened ? " opened" : " not opened"));
        CarryOut(s, s.link.PortOpened(opened));
    }
    void operator()(const ClosePort&) const { s.port.Close(); }
    void operator()(const StartTimer& a) const { s.timers.StartTimer(a.id, a.ms); }
    void operator()(const StopTimer& a) const { s.timers.StopTimer(a.id); }
    void operator()(const SetPanel& a) const {
        s.view.SetPanelText(a.panel, Text(a.textId, a.argument));
    }
    void operator()(const ShowIdentity& a) const {
        for (size_t i = 0; i < a.labels.size(); ++i)
            s.view.SetDeviceLabel(static_cast<int>(i), a.labels[i]);
    }
    void operator()(const ClearVehicle&) const { ClearReservationLabels(s); }
    void operator()(const SetComboText& a) const { s.view.SetComboText(Text(a.textId, "")); }
    void operator()(const Enable& a) const {
        switch (a.control) {
        case LinkControl::Test:
            s.view.EnableButton(Button::Test, a.on);
            break;
        case LinkControl::Ferma:
            s.view.EnableButton(Button::Ferma, a.on);
            break;
        case LinkControl::Opzioni:
            s.view.EnableButton(Button::Opzioni, a.on);
            break;
        case LinkControl::Combo:
            s.view.EnableCombo(a.on);
            break;
        case LinkControl::TrayOptions:
            s.view.EnableTrayOptions(a.on);
            break;
        }
    }
    void operator()(const FocusCombo&) const { s.view.FocusCombo(); }
    void operator()(const ShowMessage& a) const {
        const int answer = s.messages.ShowMessage(Text(a.textId, ""), Text(a.titleId, ""), a.style);
        if (a.reply != LinkReply::None)
            CarryOut(s, s.link.MessageAnswered(a.reply, answer));
    }
    void operator()(const Deliver& a) const { WriteTestResult(s, a.result); }
};

// The journal's line for one action, if it has one.
struct ActionJournal {
    Station& s;

    void operator()(const Send& a) const {
        // A search sends ENQ every second: said once per search.
        if (a.byte == 0x05)
            s.journal.AddOnChange("poll", "TX", "ENQ");
        else
            s.journal.Add("TX", JournalControlByte(a.byte));
    }
    void operator()(const ClosePort&) const {
        // The search's own close before it opens again is no news.
        if (!s.link.PollDeviceRunning())
            s.journal.AddOnChange("port", "PORT", "closed");
    }
    void operator()(const SetPanel& a) const {
        if (a.textId == kTextStateMeasuring)
            s.journal.Add("MEASURING", s.state.SelectedAccFile);
    }
    void operator()(const ShowIdentity& a) const {
        if (a.labels[0].empty() && a.labels[1].empty()) {
            s.journal.AddOnChange("tester", "OFFLINE", "");
            return;
        }
        std::string identity;
        for (const std::string& label : a.labels)
            identity += (identity.empty() ? "" : " / ") + label;
        s.journal.AddOnChange("tester", "ONLINE", identity);
        s.journal.ForgetTopic("poll");
    }
    void operator()(const ShowMessage& a) const {
        s.journal.Add("MESSAGE", std::to_string(a.textId));
    }
    template <class Other> void operator()(const Other&) const {}
};

bool IsSend(const LinkAction& a) {
    return std::holds_alternative<Send>(a);
}

} // namespace

void OnSerialBytes(Station& s, std::string_view bytes) {
    s.link.ReceiveBytes(bytes);
    std::string frame;
    while (s.link.NextFrame(frame)) {
        const LinkActions actions =
            s.link.InterrogaFAR(frame, s.clock.Now(), s.view.OperatorLabel());
        // The answer goes on the wire before anything is journalled: the
        // actions up to the first byte sent are carried out first, then
        // the frame and those actions are journalled, then the rest.
        const auto answer = std::find_if(actions.begin(), actions.end(), IsSend);
        const auto head = answer == actions.end() ? actions.begin() : answer + 1;
        for (auto a = actions.begin(); a != head; ++a)
            std::visit(ActionRunner{s}, *a);
        s.journal.Add("RX", JournalBytes(frame));
        for (auto a = actions.begin(); a != head; ++a)
            std::visit(ActionJournal{s}, *a);
        CarryOut(s, LinkActions(head, actions.end()));
    }
    StartCloseTimerIfPending(s);
    FlushJournalSoon(s);
}

void OnSerialDisconnect(Station& s) {
    s.journal.AddOnChange("port", "PORT", "lost");
    CarryOut(s, s.link.PortLost());
    StartCloseTimerIfPending(s);
    FlushJournalSoon(s);
}

void OptionsDialogOpening(Station& s) {
    // The search stops altogether: a connection attempt half way through
    // its waits would otherwise open the port under the dialog's scan.
    s.timers.StopTimer(kTimerPoll);
    CarryOut(s, s.link.CancelPollDevice());
    s.state.bDeviceOnline = false;
    if (s.port.IsOpen()) {
        s.port.Close();
        s.journal.AddOnChange("port", "PORT", "closed");
        s.view.SetPanelText(Panel::PortaCOM, GetLangString(s.state, kTextPortSearching));
    }
    s.view.EnableCombo(false);
    s.view.EnableButton(Button::Test, false);
    CarryOut(s, s.link.ForgetTester());
}

void OptionsDialogClosed(Station& s) {
    s.state.bDeviceSearch = true;
    if (!s.state.bQuitQuery)
        s.timers.StartTimer(kTimerPoll, kPollIntervalMs);
    s.journal.Flush();
}

void InfoBoxOpening(Station& s) {
    if (s.state.bDeviceSearch)
        s.timers.StopTimer(kTimerPoll);
}

void InfoBoxClosed(Station& s) {
    if (s.state.bDeviceSearch && !s.state.bQuitQuery)
        s.timers.StartTimer(kTimerPoll, kPollIntervalMs);
}

void CarryOut(Station& s, const LinkActions& actions) {
    // A byte is journalled once it is on the wire; everything else before
    // it is carried out, so that a message box's line is not held up.
    for (const LinkAction& a : actions) {
        if (!IsSend(a))
            std::visit(ActionJournal{s}, a);
        std::visit(ActionRunner{s}, a);
        if (IsSend(a))
            std::visit(ActionJournal{s}, a);
    }
}

} // namespace heliotab
