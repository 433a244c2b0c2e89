// The tester link's state machine; its charter is at the top of TesterLink.h.
#include "device/TesterLink.h"

#include <algorithm>

#include "device/ControlBytes.h"
#include "device/FrameChecksum.h"
#include "device/LinkTexts.h"
#include "device/ResultDecoding.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace heliotab {
namespace {

constexpr int kNakDelayMs = 500;
constexpr int kPollStepMs = 500;
constexpr int kPollIntervalMs = 1000;
constexpr int kMaxNaksInRow = 3;
constexpr int kStyleStopYesNo = kStyleStop | 4;

using Kind = LinkAction::Kind;

LinkAction Action(Kind kind, int number = 0, int ms = 0) {
    LinkAction a;
    a.kind = kind;
    a.number = number;
    a.ms = ms;
    return a;
}

void Send(LinkActions& out, uint8_t byte) {
    out.push_back(Action(Kind::Send, byte));
}
void StartTimer(LinkActions& out, int id, int ms) {
    out.push_back(Action(Kind::StartTimer, id, ms));
}
void StopTimer(LinkActions& out, int id) {
    out.push_back(Action(Kind::StopTimer, id));
}
void SetText(LinkActions& out, Kind kind, int index, const std::string& text) {
    LinkAction a = Action(kind, index);
    a.text = text;
    out.push_back(std::move(a));
}
void SetPanel(LinkActions& out, Panel panel, const std::string& text) {
    LinkAction a = Action(Kind::SetPanel);
    a.panel = panel;
    a.text = text;
    out.push_back(std::move(a));
}
void Enable(LinkActions& out, LinkControl control, bool on) {
    LinkAction a = Action(Kind::Enable);
    a.control = control;
    a.on = on;
    out.push_back(std::move(a));
}
void ShowMessage(LinkActions& out, const std::string& text, const std::string& title, int style,
                 LinkReply reply = LinkReply::None) {
    LinkAction a = Action(Kind::ShowMessage, style);
    a.text = text;
    a.title = title;
    a.reply = reply;
    out.push_back(std::move(a));
}

std::string TrimSpaces(const std::string& t) {
    const size_t first = t.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return t.substr(first, t.find_last_not_of(' ') - first + 1);
}

std::string TwoDigits(int v) {
    return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

std::string DateDdMmYyyy(const LocalTime& t) {
    std::string year = std::to_string(t.year);
    if (year.size() < 4)
        year.insert(0, 4 - year.size(), '0');
    return TwoDigits(t.day) + TwoDigits(t.month) + year;
}

std::string TimeHhNnSs(const LocalTime& t) {
    return TwoDigits(t.hour) + TwoDigits(t.minute) + TwoDigits(t.second);
}

} // namespace

std::string ExpiryDatePicture(const std::string& text) {
    const std::string t = TrimSpaces(text);
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos)
        return text;
    std::string digits = t.substr(std::min(t.find_first_not_of('0'), t.size()));
    if (digits.size() < 8)
        digits.insert(0, 8 - digits.size(), '0');
    const size_t k = digits.size();
    return digits.substr(0, k - 6) + "/" + digits.substr(k - 6, 2) + "/" + digits.substr(k - 4);
}

std::string TesterLink::Text(int id) const {
    return GetLangString(shared_, id);
}

// --- receiving ----------------------------------------------------------------

void TesterLink::ReceiveBytes(std::string_view bytes) {
    queue_.append(bytes);
}

bool TesterLink::NextFrame(std::string& frame) {
    while (queuePos_ < queue_.size()) {
        if (assembler_.Feed(static_cast<uint8_t>(queue_[queuePos_++]), frame))
            return true;
    }
    queue_.clear();
    queuePos_ = 0;
    return false;
}

LinkActions TesterLink::InterrogaFAR(const std::string& frame, const LocalTime& now,
                                     const std::string& operatorName) {
    LinkActions out;
    const size_t n = frame.size();
    const std::string checksum = FrameChecksum(frame);
    const bool valid = n >= 2 && frame[n - 2] == checksum[0] && frame[n - 1] == checksum[1];
    if (!valid) {
        RejectFrame(out);
        return out;
    }
    if (n < 4 || frame.compare(1, 3, "FAR") != 0)
        return out; // another device class

    std::vector<std::string> fields;
    std::string status;
    if (frame.find('\0') != std::string::npos) {
        fields = SplitFields(frame);
        if (fields.size() > 8)
            status = fields[8];
    } else {
        status = FramePart(frame, n == 57 || n == 94 ? 55 : 77, 1);
    }

    if (status == "0")
        ShowIdentity(frame, fields, out);
    else if (status == "1")
        StartMeasurement(now, operatorName, out);
    else if (status == "2")
        TakeResults(frame, now, out);
    else if (status == "3")
        out = ResetToSearching();
    else
        Send(out, kACK);
    return out;
}

void TesterLink::RejectFrame(LinkActions& out) {
    if (shared_.bDeviceSearch)
        return; // garbage while we look for the tester
    if (++nakCount_ > kMaxNaksInRow) {
        // The tester gets no NAK for this one and gives up on its own. Bad
        // frames that come while the operator reads the message count on
        // and get no NAK either (nor a message of their own); the count
        // starts again once the message is closed.
        if (badFramesMessageOpen_)
            return;
        badFramesMessageOpen_ = true;
        ShowMessage(out, Text(link_text::kBadFramesText), Text(link_text::kBadFramesTitle),
                    kStyleStop, LinkReply::BadFramesRead);
        return;
    }
    pendingNak_ = true;
    StartTimer(out, kTimerNakDelay, kNakDelayMs);
}

void TesterLink::ShowIdentity(const std::string& frame, const std::vector<std::string>& fields,
                              LinkActions& out) {
    std::array<std::string, 6> id;
    if (!fields.empty()) {
        for (size_t i = 0; i < 6; ++i)
            id[i] = fields[2 + i];
    } else {
        struct Span {
            size_t pos, len;
        };
        static constexpr std::array<Span, 6> kShort{
            {{7, 10}, {17, 10}, {27, 12}, {39, 4}, {43, 4}, {47, 8}}};
        static constexpr std::array<Span, 6> kLong{
            {{7, 10}, {17, 20}, {37, 24}, {61, 4}, {65, 4}, {69, 8}}};
        const auto& spans = frame.size() == 57 ? kShort : kLong;
        for (size_t i = 0; i < 6; ++i)
            id[i] = FramePart(frame, spans[i].pos, spans[i].len);
    }
    for (size_t i = 0; i < 5; ++i)
        identity_[i] = TrimSpaces(id[i]);
    identity_[5] = ExpiryDatePicture(id[5]);
    for (size_t i = 0; i < 6; ++i)
        SetText(out, Kind::SetDeviceLabel, static_cast<int>(i), identity_[i]);

    // The port as the settings file writes it, unless the file names another
    // one (the options dialog could not save the port it chose).
    std::string port = shared_.SettingsIni.ReadString(kSectionImpostazioni, kKeyPortaSeriale, "1");
    if (ParsePort(port, -1) != shared_.iSerialPort)
        port = std::to_string(shared_.iSerialPort);
    SetPanel(out, Panel::PortaCOM, Text(link_text::kPortOnline) + port);
    SetPanel(out, Panel::Stato, "");
    Enable(out, LinkControl::Test, true);
    Enable(out, LinkControl::Combo, true);
    out.push_back(Action(Kind::FocusCombo));
    shared_.bDeviceOnline = true;
    shared_.bDeviceSearch = false;
}

void TesterLink::StartMeasurement(const LocalTime& now, const std::string& operatorName,
                                  LinkActions& out) {
    if (!shared_.bTestArmed) {
        out = SendCancel(); // a measurement the operator has not armed
        return;
    }
    // A fresh record: nothing of the previous vehicle may reach this one.
    FarResult& r = result_;
    r = FarResult{};
    r.Marca = identity_[0];
    r.Tipo = identity_[1];
    r.NumOmologa = identity_[2];
    r.NumSerie = identity_[3];
    r.NumVersioneSoftware = identity_[4];
    r.DataScadenza = identity_[5];
    r.Operatore = operatorName;
    r.DataMisura = DateDdMmYyyy(now);
    r.InizioMisura = TimeHhNnSs(now);

    SetPanel(out, Panel::Stato, Text(link_text::kStateMeasuring));
    Send(out, kACK);
    nakCount_ = 0;
    measuring_ = true;
}

// The test stays armed until its result is delivered: the window keeps its
// armed look, except that the test cannot be stopped while its result is
// being taken. The result writer then shows the window idle, or armed again
// for a repeated measurement, before it tells the operator the outcome.
void TesterLink::TakeResults(const std::string& frame, const LocalTime& now, LinkActions& out) {
    if (!measuring_)
        return; // no measurement of ours: no answer
    measuring_ = false;
    nakCount_ = 0;
    auto finished = std::make_shared<FarResult>(result_);
    const DecodeError error = DecodeResults(frame, *finished);
    if (error != DecodeError::None) {
        // A results frame we cannot trust: the tester has finished, so it
        // still gets its ACK, but no result is written; the test stays
        // armed and the operator repeats the measurement.
        SetPanel(out, Panel::Stato, Text(link_text::kStateBadResults));
        Send(out, kACK);
        int textId = link_text::kBadResultsMissing;
        if (error == DecodeError::NotANumber)
            textId = link_text::kBadResultsNumber;
        else if (error == DecodeError::UnknownConfiguration)
            textId = link_text::kBadResultsConfiguration;
        ShowMessage(out, Text(textId), Text(link_text::kBadResultsTitle), kStyleExclamation);
        return;
    }
    finished->FineMisura = TimeHhNnSs(now);
    result_ = *finished;
    Enable(out, LinkControl::Ferma, false);
    SetPanel(out, Panel::Stato, Text(link_text::kStateResults));
    Send(out, kACK);
    LinkAction deliver = Action(Kind::Deliver);
    deliver.result = std::move(finished);
    out.push_back(std::move(deliver));
}

LinkActions TesterLink::ResetToSearching() {
    LinkActions out;
    Enable(out, LinkControl::Combo, false);
    SetText(out, Kind::SetComboText, 0, Text(link_text::kComboNoDevice));
    shared_.SelectedAccFile.clear();
    Enable(out, LinkControl::Test, false);
    Enable(out, LinkControl::Ferma, false);
    Enable(out, LinkControl::Opzioni, true);
    Enable(out, LinkControl::TrayOptions, true);
    measuring_ = false;
    SetPanel(out, Panel::Stato, Text(link_text::kStateSignedOff));
    SetPanel(out, Panel::PortaCOM, Text(link_text::kPortSearching));
    for (int i = 0; i < 3; ++i)
        SetText(out, Kind::SetVehicleLabel, i, "");
    SetText(out, Kind::SetOperatorLabel, 0, "");
    shared_.bTestArmed = false;
    identity_ = {};
    for (int i = 0; i < 6; ++i)
        SetText(out, Kind::SetDeviceLabel, i, "");
    shared_.bDeviceOnline = false;
    shared_.bDeviceSearch = true;
    nakCount_ = 0;
    StartTimer(out, kTimerPoll, kPollIntervalMs);
    return out;
}

// --- the connection attempt -----------------------------------------------------

LinkActions TesterLink::PollDevice(bool portOpen) {
    LinkActions out;
    if (pollStep_ != PollStep::Idle)
        return out; // one attempt at a time; it re-arms timer 1 itself
    if (!shared_.bQuitQuery && portOpen) {
        out.push_back(Action(Kind::ClosePort));
        PollWait(PollStep::AfterClose, out);
        return out;
    }
    PollOpen(out);
    return out;
}

LinkActions TesterLink::CancelPollDevice() {
    LinkActions out;
    pollStep_ = PollStep::Idle;
    StopTimer(out, kTimerPollStep);
    return out;
}

void TesterLink::PollWait(PollStep next, LinkActions& out) {
    pollStep_ = next;
    StartTimer(out, kTimerPollStep, kPollStepMs);
}

void TesterLink::EndPoll(LinkActions& out) {
    pollStep_ = PollStep::Idle;
    StopTimer(out, kTimerPollStep);
    // Timer 1 re-arms itself only once the attempt is over, and only while
    // we are still searching.
    if (!shared_.bDeviceOnline && !shared_.bQuitQuery && shared_.bDeviceSearch)
        StartTimer(out, kTimerPoll, kPollIntervalMs);
}

void TesterLink::PollOpen(LinkActions& out) {
    if (shared_.bQuitQuery) {
        EndPoll(out);
        return;
    }
    if (shared_.iSerialPort < 1) {
        SetPanel(out, Panel::PortaCOM, Text(link_text::kPortNotSet));
        PollSendEnq(out);
        return;
    }
    LinkActions open = OpenPort(shared_.iSerialPort);
    out.insert(out.end(), open.begin(), open.end());
}

// The ENQ goes out only while the port is open; the owner's sending sees to that.
void TesterLink::PollSendEnq(LinkActions& out) {
    if (!shared_.bQuitQuery) {
        nakCount_ = 0;
        Send(out, kENQ);
    }
    EndPoll(out);
}

LinkActions TesterLink::OpenPort(int portNumber) {
    pollStep_ = PollStep::Opening;
    return {Action(Kind::OpenPort, portNumber)};
}

LinkActions TesterLink::PortOpened(bool ok) {
    LinkActions out;
    if (ok) {
        PollWait(PollStep::AfterOpen, out);
    } else {
        ShowMessage(out, Text(link_text::kOpenFailText), Text(link_text::kOpenFailTitle),
                    kStyleStopYesNo, LinkReply::RetryOpen);
    }
    return out;
}

LinkActions TesterLink::MessageAnswered(LinkReply reply, int answer) {
    LinkActions out;
    if (reply == LinkReply::BadFramesRead) {
        badFramesMessageOpen_ = false;
        nakCount_ = 0;
    } else if (reply == LinkReply::RetryOpen) {
        if (answer == kAnswerYes)
            return OpenPort(shared_.iSerialPort);
        shared_.bDeviceSearch = false;
        EndPoll(out);
    }
    return out;
}

LinkActions TesterLink::OnTimer(int timerId) {
    LinkActions out;
    if (timerId == kTimerNakDelay) {
        StopTimer(out, kTimerNakDelay);
        if (!pendingNak_)
            return out;
        pendingNak_ = false;
        if (!shared_.bQuitQuery)
            Send(out, kNAK);
    } else if (timerId == kTimerPollStep) {
        StopTimer(out, kTimerPollStep);
        if (pollStep_ == PollStep::AfterClose)
            PollOpen(out);
        else if (pollStep_ == PollStep::AfterOpen)
            PollSendEnq(out);
    }
    return out;
}

// --- the port going away, the operator, closing -------------------------------

LinkActions TesterLink::PortLost() {
    LinkActions out{Action(Kind::ClosePort)};
    partialFrame_.clear();
    pendingNak_ = false;
    StopTimer(out, kTimerNakDelay);
    // An unplugged tester is a tester that has gone away: the same reset as
    // its own sign-off, and the search starts again.
    if (!shared_.bQuitQuery) {
        LinkActions reset = ResetToSearching();
        out.insert(out.end(), reset.begin(), reset.end());
    }
    return out;
}

LinkActions TesterLink::ForgetTester() {
    LinkActions out;
    identity_ = {};
    for (int i = 0; i < 6; ++i)
        SetText(out, Kind::SetDeviceLabel, i, "");
    return out;
}

LinkActions TesterLink::StopMeasuring() {
    measuring_ = false;
    return SendCancel();
}

// The tester takes CAN and EOT only when its software version ends in a letter.
bool TesterLink::TakesControlBytes() const {
    const std::string& version = identity_[4];
    if (version.empty())
        return false;
    char last = version.back();
    if (last >= 'a' && last <= 'z')
        last = static_cast<char>(last - 'a' + 'A');
    return last >= 'A' && last <= 'Z';
}

LinkActions TesterLink::SendCancel() const {
    LinkActions out;
    if (TakesControlBytes())
        Send(out, kCAN);
    return out;
}

LinkActions TesterLink::SendEot() const {
    LinkActions out;
    if (TakesControlBytes())
        Send(out, kEOT);
    return out;
}

} // namespace heliotab
