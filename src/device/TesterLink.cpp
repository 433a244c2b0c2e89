// The tester link's state machine; its charter is at the top of TesterLink.h.
#include "device/TesterLink.h"

#include <algorithm>

#include "device/ControlBytes.h"
#include "device/FrameChecksum.h"
#include "device/LinkTexts.h"
#include "device/ResultDecoding.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace heliotab {
namespace {

constexpr int kNakDelayMs = 500;
constexpr int kPollStepMs = 500;
constexpr int kMaxNaksInRow = 3;
constexpr int kStyleStopYesNo = kStyleStop | 4;

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
    const FrameKind kind = CheckFrame(frame);
    if (kind == FrameKind::BadChecksum)
        RejectFrame(out);
    if (kind != FrameKind::Far)
        return out; // a bad frame, or another device class

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
        TakeIdentity(frame, fields, out);
    else if (status == "1")
        StartMeasurement(now, operatorName, out);
    else if (status == "2")
        TakeResults(frame, now, out);
    else if (status == "3")
        out = ResetToSearching();
    else
        out.push_back(Send{kACK});
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
        out.push_back(ShowMessage{link_text::kBadFramesText, link_text::kBadFramesTitle, kStyleStop,
                                  LinkReply::BadFramesRead});
        return;
    }
    pendingNak_ = true;
    out.push_back(StartTimer{kTimerNakDelay, kNakDelayMs});
}

void TesterLink::TakeIdentity(const std::string& frame, const std::vector<std::string>& fields,
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
    out.push_back(ShowIdentity{identity_});
    // The port as the settings file writes it, unless the file names another
    // one (the options dialog could not save the port it chose).
    std::string port = shared_.SettingsIni.ReadString(kSectionImpostazioni, kKeyPortaSeriale, "1");
    if (ParsePort(port, -1) != shared_.iSerialPort)
        port = std::to_string(shared_.iSerialPort);
    out.push_back(SetPanel{Panel::PortaCOM, link_text::kPortOnline, port});
    out.push_back(SetPanel{Panel::Stato, 0, ""});
    out.push_back(Enable{LinkControl::Test, true});
    out.push_back(Enable{LinkControl::Combo, true});
    out.push_back(FocusCombo{});
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

    out.push_back(SetPanel{Panel::Stato, link_text::kStateMeasuring, ""});
    out.push_back(Send{kACK});
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
    FarResult finished = result_;
    const DecodeError error = DecodeResults(frame, finished);
    if (error != DecodeError::None) {
        // A results frame we cannot trust: the tester has finished, so it
        // still gets its ACK, but no result is written; the test stays
        // armed and the operator repeats the measurement.
        out.push_back(SetPanel{Panel::Stato, link_text::kStateBadResults, ""});
        out.push_back(Send{kACK});
        int textId = link_text::kBadResultsMissing;
        if (error == DecodeError::NotANumber)
            textId = link_text::kBadResultsNumber;
        else if (error == DecodeError::UnknownConfiguration)
            textId = link_text::kBadResultsConfiguration;
        out.push_back(ShowMessage{textId, link_text::kBadResultsTitle, kStyleExclamation});
        return;
    }
    finished.FineMisura = TimeHhNnSs(now);
    result_ = finished;
    out.push_back(Enable{LinkControl::Ferma, false});
    out.push_back(SetPanel{Panel::Stato, link_text::kStateResults, ""});
    out.push_back(Send{kACK});
    out.push_back(Deliver{std::move(finished)});
}

LinkActions TesterLink::ResetToSearching() {
    LinkActions out;
    out.push_back(Enable{LinkControl::Combo, false});
    out.push_back(SetComboText{link_text::kComboNoDevice});
    shared_.SelectedAccFile.clear();
    out.push_back(Enable{LinkControl::Test, false});
    out.push_back(Enable{LinkControl::Ferma, false});
    out.push_back(Enable{LinkControl::Opzioni, true});
    out.push_back(Enable{LinkControl::TrayOptions, true});
    measuring_ = false;
    out.push_back(SetPanel{Panel::Stato, link_text::kStateSignedOff, ""});
    out.push_back(SetPanel{Panel::PortaCOM, link_text::kPortSearching, ""});
    out.push_back(ClearVehicle{});
    shared_.bTestArmed = false;
    identity_ = {};
    out.push_back(ShowIdentity{});
    shared_.bDeviceOnline = false;
    shared_.bDeviceSearch = true;
    nakCount_ = 0;
    out.push_back(StartTimer{kTimerPoll, kPollIntervalMs});
    return out;
}

// --- the connection attempt -----------------------------------------------------

LinkActions TesterLink::PollDevice(bool portOpen) {
    LinkActions out;
    if (pollStep_ != PollStep::Idle)
        return out; // one attempt at a time; it re-arms timer 1 itself
    if (!shared_.bQuitQuery && portOpen) {
        out.push_back(ClosePort{});
        PollWait(PollStep::AfterClose, out);
        return out;
    }
    PollOpen(out);
    return out;
}

LinkActions TesterLink::CancelPollDevice() {
    LinkActions out;
    pollStep_ = PollStep::Idle;
    out.push_back(StopTimer{kTimerPollStep});
    return out;
}

void TesterLink::PollWait(PollStep next, LinkActions& out) {
    pollStep_ = next;
    out.push_back(StartTimer{kTimerPollStep, kPollStepMs});
}

void TesterLink::EndPoll(LinkActions& out) {
    pollStep_ = PollStep::Idle;
    out.push_back(StopTimer{kTimerPollStep});
    // Timer 1 re-arms itself only once the attempt is over, and only while
    // we are still searching.
    if (!shared_.bDeviceOnline && !shared_.bQuitQuery && shared_.bDeviceSearch)
        out.push_back(StartTimer{kTimerPoll, kPollIntervalMs});
}

void TesterLink::PollOpen(LinkActions& out) {
    if (shared_.bQuitQuery) {
        EndPoll(out);
        return;
    }
    if (shared_.iSerialPort < 1) {
        out.push_back(SetPanel{Panel::PortaCOM, link_text::kPortNotSet, ""});
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
        out.push_back(Send{kENQ});
    }
    EndPoll(out);
}

LinkActions TesterLink::OpenPort(int portNumber) {
    pollStep_ = PollStep::Opening;
    return {heliotab::OpenPort{portNumber}};
}

LinkActions TesterLink::PortOpened(bool ok) {
    LinkActions out;
    if (ok) {
        PollWait(PollStep::AfterOpen, out);
    } else {
        out.push_back(ShowMessage{link_text::kOpenFailText, link_text::kOpenFailTitle,
                                  kStyleStopYesNo, LinkReply::RetryOpen});
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
        out.push_back(StopTimer{kTimerNakDelay});
        if (!pendingNak_)
            return out;
        pendingNak_ = false;
        if (!shared_.bQuitQuery)
            out.push_back(Send{kNAK});
    } else if (timerId == kTimerPollStep) {
        out.push_back(StopTimer{kTimerPollStep});
        if (pollStep_ == PollStep::AfterClose)
            PollOpen(out);
        else if (pollStep_ == PollStep::AfterOpen)
            PollSendEnq(out);
    }
    return out;
}

// --- the port going away, the operator, closing -------------------------------

LinkActions TesterLink::PortLost() {
    LinkActions out{ClosePort{}};
    partialFrame_.clear();
    pendingNak_ = false;
    out.push_back(StopTimer{kTimerNakDelay});
    // An unplugged tester is a tester that has gone away: the same reset as
    // its own sign-off, and the search starts again.
    if (!shared_.bQuitQuery) {
        LinkActions reset = ResetToSearching();
        out.insert(out.end(), reset.begin(), reset.end());
    }
    return out;
}

LinkActions TesterLink::ForgetTester() {
    identity_ = {};
    return {ShowIdentity{}};
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
        out.push_back(Send{kCAN});
    return out;
}

LinkActions TesterLink::SendEot() const {
    LinkActions out;
    if (TakesControlBytes())
        out.push_back(Send{kEOT});
    return out;
}

} // namespace heliotab
