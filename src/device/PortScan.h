// PortScan: the automatic search for the tester's port, as a state machine.
//
// Charter. Ports COM1 to COM16 are tried in order. For each: open it (a port
// that cannot be opened is skipped at once, costing no time), wait 0.5 s,
// send ENQ and give the device 0.5 s to answer with a frame. A frame with a
// good checksum ends the port: class "FAR" in positions 2-4 means found (ACK
// goes out and the scan stops), any other class is skipped without ACK. A
// frame with a bad checksum starts at most three NAK rounds: NAK, 0.5 s, ENQ,
// 0.5 s (the full time), then the last frame received is judged the same
// way. No answer, or three bad rounds: close the port, try the next one.
//
//   Idle -> AfterOpen -(0.5 s)-> Answer -(frame)-> judged
//                                       -(0.5 s)-> next port
//   bad checksum -> NakWait -(0.5 s, ENQ)-> EnqWait -(0.5 s)-> judged / next round
//
// Bytes come in through OnBytes, time through OnTimer (one timer of the
// dialog, kScanTimer) and the outcome of each open through PortOpened;
// actions (ScanAction) go out for the dialog to carry out. Nothing here
// waits, pumps messages or touches a port.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "device/LinkAction.h"

namespace heliotab {

// Language ids of the scan's texts.
namespace scan_text {
enum : int {
    kNotFound = 411, // no port answered
    kFound = 412,    // followed by the port number
    kTrying = 415,   // followed by the port number and "..."
};
} // namespace scan_text

class PortScan {
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 16;
    static constexpr int kOpenWaitMs = 500;
    static constexpr int kAnswerMs = 500;
    static constexpr int kMaxNakRounds = 3;
    static constexpr int kScanTimer = 1; // timer id on the dialog

    // Click on cmdScansione; confirmEnabled is cmdConferma's state now.
    // Ignored while a scan runs.
    ScanActions Start(bool confirmEnabled);
    // Whether the port of the last OpenPort action could be opened.
    ScanActions PortOpened(bool ok);
    // Received bytes of comDummy, in order, however they were split.
    ScanActions OnBytes(std::string_view bytes);
    ScanActions OnTimer(int timerId);
    // The dialog is closing: the timer stops and the port closes; the
    // controls are left as they are.
    ScanActions Abort();
    bool Running() const { return state_ != State::Idle; }

    // The port found by the last scan; 0 when none (or none has run).
    int iScanPort = 0;

private:
    enum class State { Idle, Opening, AfterOpen, Answer, NakWait, EnqWait };

    void TryPort(ScanActions& out); // opens portNumber_
    void Judge(ScanActions& out);   // sScanFrame is complete
    void StartNakRound(ScanActions& out);
    void NextPort(ScanActions& out);
    void Finish(bool found, ScanActions& out);
    void Wait(State next, int ms, ScanActions& out);

    State state_ = State::Idle;
    int portNumber_ = 0;
    bool confirmWasEnabled_ = false;

    std::string sScanFrame;  // last complete frame, STX up to the checksum
    std::string sScanBuffer; // the frame being assembled
    int iScanRetries = 0;    // NAK rounds spent on the current port
};

} // namespace heliotab
