// The serial link to the tester: receive events, the connection attempt of
// timer 1, the NAK delay, and the single control bytes we send.
//
// PollDevice runs as a short sequence on timer 4 instead of sitting in
// nested waits: close (0.5 s), open (0.5 s), ENQ. iPollStep says where it
// waits. Frames that arrive meanwhile are handled by OnSerialBytes as usual.
#include "device/Link.h"

#include "device/Exchange.h"
#include "device/FrameAssembler.h"
#include "device/LinkTexts.h"
#include "settings/Language.h"

namespace heliotab {
namespace {

enum PollStep : int {
    kPollIdle = 0,
    kPollAfterClose = 1,  // waiting 0.5 s after closing the port
    kPollOpening = 2,     // inside OpenPort (its question may be open)
    kPollAfterOpen = 3,   // waiting 0.5 s after opening the port
};
constexpr int kPollStepMs = 500;
constexpr int kPollIntervalMs = 1000;
constexpr int kCloseDelayMs = 100;
constexpr int kStyleStopYesNo = kStyleStop | 4;

void EndPoll(Station& s) {
    AppState& st = s.state;
    st.iPollStep = kPollIdle;
    s.timers.StopTimer(kTimerPollStep);
    // Timer 1 re-arms itself only once the attempt is over, and only while
    // we are still searching.
    if (!st.bDeviceOnline && !st.bQuitQuery && st.bDeviceSearch) s.timers.StartTimer(kTimerPoll, kPollIntervalMs);
}

void PollWait(Station& s, PollStep next) {
    s.state.iPollStep = next;
    s.timers.StartTimer(kTimerPollStep, kPollStepMs);
}

void PollSendEnq(Station& s) {
    AppState& st = s.state;
    if (!st.bQuitQuery && s.port.IsOpen()) {
        st.sRxFrame.clear();
        st.iNakCount = 0;
        s.port.Send(kENQ);
    }
    EndPoll(s);
}

void PollOpen(Station& s) {
    AppState& st = s.state;
    if (st.bQuitQuery) {
        EndPoll(s);
        return;
    }
    if (st.iSerialPort < 1) {
        s.view.SetPanelText(Panel::PortaCOM, GetLangString(st, link_text::kPortNotSet));
        PollSendEnq(s);
        return;
    }
    st.iPollStep = kPollOpening;
    if (!OpenPort(s, st.iSerialPort)) {
        st.bDeviceSearch = false;
        EndPoll(s);
        return;
    }
    PollWait(s, kPollAfterOpen);
}

// After every event of the port, whatever its kind.
void StartCloseTimerIfPending(Station& s) {
    if (s.state.bClosePending) s.timers.StartTimer(kTimerClose, kCloseDelayMs);
}

// The tester takes CAN and EOT only when its software version ends in a letter.
bool DeviceTakesControlBytes(Station& s) {
    if (!s.port.IsOpen()) return false;
    const std::string version = s.view.DeviceLabel(4);
    if (version.empty()) return false;
    char last = version.back();
    if (last >= 'a' && last <= 'z') last = static_cast<char>(last - 'a' + 'A');
    return last >= 'A' && last <= 'Z';
}

}  // namespace

void OnSerialBytes(Station& s, const char* data, size_t size) {
    AppState& st = s.state;
    // The bytes queue up in sRxChunk and are framed in order. A frame's
    // handler may pump messages and so receive the next chunk inside this
    // loop; that nested call carries on from where we are, so no byte is
    // framed out of turn.
    if (size > 0) st.sRxChunk.append(data, size);
    FrameAssembler assembler(st.sRxBuffer);
    std::string frame;
    while (st.iRxChunkPos < st.sRxChunk.size()) {
        const auto byte = static_cast<uint8_t>(st.sRxChunk[st.iRxChunkPos++]);
        if (assembler.Feed(byte, frame)) {
            st.sRxFrame = frame;
            InterrogaFAR(s);
        }
    }
    st.sRxChunk.clear();
    st.iRxChunkPos = 0;
    StartCloseTimerIfPending(s);
}

void OnSerialDisconnect(Station& s) {
    AppState& st = s.state;
    s.port.Close();
    st.sRxBuffer.clear();
    st.bNakPending = false;
    s.timers.StopTimer(kTimerNakDelay);
    // An unplugged tester is a tester that has gone away: the same reset as
    // its own sign-off, and the search starts again.
    if (!st.bQuitQuery) ResetToSearching(s);
    StartCloseTimerIfPending(s);
}

bool OpenPort(Station& s, int portNumber) {
    for (;;) {
        if (s.port.Open(portNumber)) return true;
        const int answer = s.messages.ShowMessage(GetLangString(s.state, link_text::kOpenFailText),
                                                  GetLangString(s.state, link_text::kOpenFailTitle), kStyleStopYesNo);
        if (answer != kAnswerYes) return false;
    }
}

void PollDevice(Station& s) {
    AppState& st = s.state;
    if (st.iPollStep != kPollIdle) return;  // one attempt at a time; it re-arms timer 1 itself
    if (!st.bQuitQuery && s.port.IsOpen()) {
        s.port.Close();
        PollWait(s, kPollAfterClose);
        return;
    }
    PollOpen(s);
}

bool PollDeviceRunning(const Station& s) { return s.state.iPollStep != kPollIdle; }

void CancelPollDevice(Station& s) {
    s.state.iPollStep = kPollIdle;
    s.timers.StopTimer(kTimerPollStep);
}

void OnLinkTimer(Station& s, int timerId) {
    AppState& st = s.state;
    if (timerId == kTimerNakDelay) {
        s.timers.StopTimer(kTimerNakDelay);
        if (!st.bNakPending) return;
        st.bNakPending = false;
        if (!st.bQuitQuery && s.port.IsOpen()) s.port.Send(kNAK);
    } else if (timerId == kTimerPollStep) {
        s.timers.StopTimer(kTimerPollStep);
        if (st.iPollStep == kPollAfterClose) PollOpen(s);
        else if (st.iPollStep == kPollAfterOpen) PollSendEnq(s);
    }
}

void SendCancel(Station& s) {
    if (DeviceTakesControlBytes(s)) s.port.Send(kCAN);
}

void SendEot(Station& s) {
    if (DeviceTakesControlBytes(s)) s.port.Send(kEOT);
}

}  // namespace heliotab
