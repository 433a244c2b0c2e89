// The tester link: one state machine that owns the exchange with the
// headlight tester. Bytes, timer ticks and the operator's answers go in;
// actions (LinkAction) come out for the main window to carry out.
//
// States (the program-wide flags bDeviceSearch / bDeviceOnline carry the
// first two, since other parts of the program read them):
//   searching   bDeviceSearch, not online: timer 1 runs PollDevice, bad
//               frames are dropped silently
//   online      bDeviceOnline: an identity frame was shown; bad frames get
//               a NAK after 0.5 s, the fourth in a row message 362 instead
//   measuring   online + measuring_: an armed test's status "1" was taken
// Moves: "0" -> online; "1" while bTestArmed -> measuring (else CAN);
// "2" while measuring -> results delivered, online; "3" or a lost line ->
// searching; any other status -> ACK.
//
// Beside them run two small sequences on the link's own timers: the
// connection attempt (timer 4: close, 0.5 s, open, 0.5 s, ENQ; pollStep_)
// and the NAK wait (timer 3; pendingNak_). Every call finishes its own
// changes before it returns its actions, so the main window may carry them
// out with message boxes open and frames arriving meanwhile.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "device/FrameAssembler.h"
#include "device/LinkAction.h"
#include "shared/AppState.h"
#include "shared/FarResult.h"
#include "shared/Platform.h"

namespace heliotab {

// Timer 1's period: one connection attempt a second while searching.
inline constexpr int kPollIntervalMs = 1000;

class TesterLink {
public:
    explicit TesterLink(AppState& shared) : shared_(shared) {}
    TesterLink(const TesterLink&) = delete; // the assembler holds our own buffer
    TesterLink& operator=(const TesterLink&) = delete;

    // Received bytes are queued; NextFrame frames them in order, one frame
    // per call, so a frame handled while an earlier one's actions are being
    // carried out continues where that one stopped.
    void ReceiveBytes(std::string_view bytes);
    // The next complete frame (STX .. checksum, no ETX); false when the
    // queue holds none.
    bool NextFrame(std::string& frame);
    // What the frame means: the answer to the tester and the moves above.
    // `now` dates a measurement; `operatorName` is the operator shown.
    LinkActions InterrogaFAR(const std::string& frame, const LocalTime& now,
                             const std::string& operatorName);

    // Timer 1's connection attempt; `portOpen` says whether our port is open.
    LinkActions PollDevice(bool portOpen);
    bool PollDeviceRunning() const { return pollStep_ != PollStep::Idle; }
    // Drops a running attempt without re-arming timer 1.
    LinkActions CancelPollDevice();
    // Opens the port, asking the operator again when it fails.
    LinkActions OpenPort(int portNumber);
    LinkActions PortOpened(bool ok);
    // Timers 3 and 4.
    LinkActions OnTimer(int timerId);
    LinkActions MessageAnswered(LinkReply reply, int answer);

    // The line dropped (tester unplugged).
    LinkActions PortLost();
    // The port is taken away from us (options dialog): the identity goes.
    LinkActions ForgetTester();
    // Back to searching (sign-off): window and flags reset, timer 1 again.
    LinkActions ResetToSearching();
    // The operator stopped the test: CAN when the tester takes it.
    LinkActions StopMeasuring();

    LinkActions SendCancel() const;
    LinkActions SendEot() const;

private:
    enum class PollStep { Idle, AfterClose, Opening, AfterOpen };

    void RejectFrame(LinkActions& out);
    void TakeIdentity(const std::string& frame, const std::vector<std::string>& fields,
                      LinkActions& out);
    void StartMeasurement(const LocalTime& now, const std::string& operatorName, LinkActions& out);
    void TakeResults(const std::string& frame, const LocalTime& now, LinkActions& out);
    void PollOpen(LinkActions& out);
    void PollSendEnq(LinkActions& out);
    void EndPoll(LinkActions& out);
    void PollWait(PollStep next, LinkActions& out);
    bool TakesControlBytes() const;

    AppState& shared_;
    // Receive assembly: bytes queued, the next one to frame, the frame so far.
    std::string queue_;
    size_t queuePos_ = 0;
    std::string partialFrame_;
    FrameAssembler assembler_{partialFrame_};
    // The exchange.
    int nakCount_ = 0;        // bad frames in a row
    bool pendingNak_ = false; // a NAK is due when timer 3 fires
    bool badFramesMessageOpen_ = false;
    bool measuring_ = false;
    PollStep pollStep_ = PollStep::Idle;
    std::array<std::string, 6> identity_; // as shown: make .. version, expiry date in its picture
    FarResult result_;                    // the test being recorded
};

// The expiry date through the picture "00/00/0000": 05122026 gives
// 05/12/2026; text that is not a whole number stays as it is.
std::string ExpiryDatePicture(const std::string& text);

} // namespace heliotab
