// InterrogaFAR: what each tester frame means.
//
// States, as the flags carry them:
//   searching   bDeviceSearch, !bDeviceOnline   bad frames dropped silently
//   online      bDeviceOnline                   identity shown; bad frames get a NAK
//   measuring   online + bMeasuring             after an accepted status "1"
// Moves: "0" -> online; "1" while bTestArmed -> measuring (else CAN);
// "2" while measuring -> results, online; "3" -> searching; any other -> ACK.
//
// The handler pumps messages only where the exchange says so (after an
// ACK), and the flags are set after that pump, so a frame handled inside it
// sees the state the tester saw. Messages are shown once our own state is
// complete, since frames keep arriving while a message box is open.
#include "device/Exchange.h"

#include <algorithm>
#include <array>

#include "device/Link.h"
#include "device/LinkTexts.h"
#include "device/ResultDecoding.h"
#include "output/ResultWriter.h"
#include "settings/Language.h"
#include "settings/SettingsKeys.h"

namespace heliotab {
namespace {

constexpr int kNakDelayMs = 500;
constexpr int kPollIntervalMs = 1000;
constexpr int kMaxNaksInRow = 3;

std::string Text(Station& s, int id) { return GetLangString(s.state, id); }

std::string TrimSpaces(const std::string& t) {
    const size_t first = t.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return t.substr(first, t.find_last_not_of(' ') - first + 1);
}

std::string TwoDigits(int v) {
    return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

std::string DateDdMmYyyy(const LocalTime& t) {
    std::string year = std::to_string(t.year);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    return TwoDigits(t.day) + TwoDigits(t.month) + year;
}

std::string TimeHhNnSs(const LocalTime& t) { return TwoDigits(t.hour) + TwoDigits(t.minute) + TwoDigits(t.second); }

}  // namespace

// The expiry date through the picture "00/00/0000": a whole number is shown
// with eight digits and a "/" after the second and the fourth; anything
// else is shown as it came.
std::string ExpiryDatePicture(const std::string& text) {
    const std::string t = TrimSpaces(text);
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos) return text;
    std::string digits = t.substr(std::min(t.find_first_not_of('0'), t.size()));
    if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
    const size_t k = digits.size();
    return digits.substr(0, k - 6) + "/" + digits.substr(k - 6, 2) + "/" + digits.substr(k - 4);
}

namespace {

void RejectFrame(Station& s) {
    AppState& st = s.state;
    if (st.bDeviceSearch) return;  // garbage while we look for the tester
    st.sRxFrame.clear();
    if (++st.iNakCount > kMaxNaksInRow) {
        // The tester gets no NAK for this one and gives up on its own. Bad
        // frames handled while the operator reads the message count on and
        // get no NAK either (nor a message of their own); the count starts
        // again once the message is closed.
        if (st.badFramesMessageOpen) return;
        st.badFramesMessageOpen = true;
        s.messages.ShowMessage(Text(s, link_text::kBadFramesText), Text(s, link_text::kBadFramesTitle), kStyleStop);
        st.badFramesMessageOpen = false;
        st.iNakCount = 0;
        return;
    }
    st.bNakPending = true;
    s.timers.StartTimer(kTimerNakDelay, kNakDelayMs);
}

void ShowIdentity(Station& s, const std::string& frame, const std::vector<std::string>& fields) {
    AppState& st = s.state;
    std::array<std::string, 6> id;
    if (!fields.empty()) {
        for (size_t i = 0; i < 6; ++i) id[i] = fields[2 + i];
    } else {
        struct Span { size_t pos, len; };
        static constexpr std::array<Span, 6> kShort{{{7, 10}, {17, 10}, {27, 12}, {39, 4}, {43, 4}, {47, 8}}};
        static constexpr std::array<Span, 6> kLong{{{7, 10}, {17, 20}, {37, 24}, {61, 4}, {65, 4}, {69, 8}}};
        const auto& spans = frame.size() == 57 ? kShort : kLong;
        for (size_t i = 0; i < 6; ++i) id[i] = FramePart(frame, spans[i].pos, spans[i].len);
    }
    for (int i = 0; i < 5; ++i) s.view.SetDeviceLabel(i, TrimSpaces(id[i]));
    s.view.SetDeviceLabel(5, ExpiryDatePicture(id[5]));

    s.view.SetPanelText(Panel::PortaCOM, Text(s, link_text::kPortOnline) +
                                             st.SettingsIni.ReadString(kSectionImpostazioni, kKeyPortaSeriale, "1"));
    s.view.SetPanelText(Panel::Stato, "");
    s.view.EnableButton(Button::Test, true);
    s.view.EnableCombo(true);
    s.view.FocusCombo();
    st.bDeviceOnline = true;
    st.bDeviceSearch = false;
}

void StartMeasurement(Station& s) {
    AppState& st = s.state;
    if (!st.bTestArmed) {
        SendCancel(s);  // a measurement the operator has not armed
        return;
    }
    // A fresh record: nothing of the previous vehicle may reach this one.
    FarResult& r = st.farResult;
    r = FarResult{};
    r.Marca = s.view.DeviceLabel(0);
    r.Tipo = s.view.DeviceLabel(1);
    r.NumOmologa = s.view.DeviceLabel(2);
    r.NumSerie = s.view.DeviceLabel(3);
    r.NumVersioneSoftware = s.view.DeviceLabel(4);
    r.DataScadenza = s.view.DeviceLabel(5);
    r.Operatore = s.view.OperatorLabel();
    const LocalTime now = s.clock.Now();
    r.DataMisura = DateDdMmYyyy(now);
    r.InizioMisura = TimeHhNnSs(now);

    s.view.SetPanelText(Panel::Stato, Text(s, link_text::kStateMeasuring));
    s.port.Send(kACK);
    s.pump.DoEvents();
    st.iNakCount = 0;
    st.bMeasuring = true;
}

// A results frame we cannot trust: the tester has finished, so it still
// gets its ACK, but no result is written; the test stays armed (the window
// keeps its armed look) and the operator repeats the measurement.
void RefuseResults(Station& s, DecodeError error) {
    AppState& st = s.state;
    s.view.SetPanelText(Panel::Stato, Text(s, link_text::kStateBadResults));
    s.port.Send(kACK);
    s.pump.DoEvents();
    st.iNakCount = 0;
    st.bMeasuring = false;
    int textId = link_text::kBadResultsMissing;
    if (error == DecodeError::NotANumber) textId = link_text::kBadResultsNumber;
    else if (error == DecodeError::UnknownConfiguration) textId = link_text::kBadResultsConfiguration;
    s.messages.ShowMessage(Text(s, textId), Text(s, link_text::kBadResultsTitle), kStyleExclamation);
}

// The test stays armed until its result is delivered: the window keeps its
// armed look, except that the test cannot be stopped while its result is
// being taken. WriteTestResult then shows the window idle, or armed again
// for a repeated measurement, before it tells the operator the outcome.
void TakeResults(Station& s, const std::string& frame) {
    AppState& st = s.state;
    if (!st.bMeasuring) return;  // no measurement of ours: no answer
    FarResult check = st.farResult;
    const DecodeError error = DecodeResults(frame, check);
    if (error != DecodeError::None) {
        RefuseResults(s, error);
        return;
    }

    s.view.EnableButton(Button::Ferma, false);
    st.farResult.FineMisura = TimeHhNnSs(s.clock.Now());
    s.view.SetPanelText(Panel::Stato, Text(s, link_text::kStateResults));
    s.port.Send(kACK);
    s.pump.DoEvents();
    st.iNakCount = 0;
    st.bMeasuring = false;

    DecodeResults(frame, st.farResult);  // checked above; the frame has not changed
    WriteTestResult(s);
}

void HandleFrame(Station& s, const std::string& frame) {
    AppState& st = s.state;
    const size_t n = frame.size();
    st.sRxChecksum = FrameChecksum(frame);
    const bool valid = n >= 2 && frame[n - 2] == st.sRxChecksum[0] && frame[n - 1] == st.sRxChecksum[1];
    if (!valid) {
        RejectFrame(s);
        return;
    }
    if (n < 4 || frame.compare(1, 3, "FAR") != 0) return;  // another device class

    std::vector<std::string> fields;
    std::string status;
    if (frame.find('\0') != std::string::npos) {
        fields = SplitFields(frame);
        if (fields.size() > 8) status = fields[8];
    } else {
        status = FramePart(frame, n == 57 || n == 94 ? 55 : 77, 1);
    }

    if (status == "0") ShowIdentity(s, frame, fields);
    else if (status == "1") StartMeasurement(s);
    else if (status == "2") TakeResults(s, frame);
    else if (status == "3") ResetToSearching(s);
    else s.port.Send(kACK);
}

}  // namespace

void InterrogaFAR(Station& s) {
    // A frame handled inside one of our pumps overwrites sRxFrame, so this
    // call works on its own copy.
    const std::string frame = s.state.sRxFrame;
    HandleFrame(s, frame);
    s.state.sRxFrame.clear();
}

void ResetToSearching(Station& s) {
    AppState& st = s.state;
    s.view.EnableCombo(false);
    s.view.SetComboText(Text(s, link_text::kComboNoDevice));
    st.SelectedAccFile.clear();
    s.view.EnableButton(Button::Test, false);
    s.view.EnableButton(Button::Ferma, false);
    s.view.EnableButton(Button::Opzioni, true);
    s.view.EnableTrayOptions(true);
    st.bMeasuring = false;
    s.view.SetPanelText(Panel::Stato, Text(s, link_text::kStateSignedOff));
    s.view.SetPanelText(Panel::PortaCOM, Text(s, link_text::kPortSearching));
    for (int i = 0; i < 3; ++i) s.view.SetVehicleLabel(i, "");
    s.view.SetOperatorLabel("");
    st.bTestArmed = false;
    for (int i = 0; i < 6; ++i) s.view.SetDeviceLabel(i, "");
    st.bDeviceOnline = false;
    st.bDeviceSearch = true;
    st.iNakCount = 0;
    s.timers.StartTimer(kTimerPoll, kPollIntervalMs);
}

}  // namespace heliotab
