// The port scan's state machine; its charter is at the top of PortScan.h.
#include "device/PortScan.h"

#include "device/ControlBytes.h"
#include "device/FrameAssembler.h"
#include "device/FrameChecksum.h"

namespace heliotab {

ScanActions PortScan::Start(bool confirmEnabled) {
    ScanActions out;
    if (Running())
        return out;
    confirmWasEnabled_ = confirmEnabled;
    out.push_back(EnableConfirm{false});
    out.push_back(EnableScanControls{false});
    portNumber_ = kFirstPort;
    TryPort(out);
    return out;
}

void PortScan::TryPort(ScanActions& out) {
    if (portNumber_ > kLastPort) {
        Finish(false, out);
        return;
    }
    iScanRetries = 0;
    out.push_back(SetPortLabel{scan_text::kTrying, std::to_string(portNumber_) + "..."});
    sScanBuffer.clear();
    state_ = State::Opening;
    out.push_back(OpenPort{portNumber_});
}

// A port that cannot be opened (missing, busy) is passed over at once.
ScanActions PortScan::PortOpened(bool ok) {
    ScanActions out;
    if (state_ != State::Opening)
        return out;
    if (ok) {
        Wait(State::AfterOpen, kOpenWaitMs, out);
    } else {
        ++portNumber_;
        TryPort(out);
    }
    return out;
}

ScanActions PortScan::OnBytes(std::string_view bytes) {
    ScanActions out;
    FrameAssembler assembler(sScanBuffer);
    std::string frame;
    // Bytes left over once the port has been judged belong to it, not to the next one.
    const int port = portNumber_;
    for (size_t i = 0; i < bytes.size() && Running() && portNumber_ == port; ++i) {
        if (!assembler.Feed(static_cast<uint8_t>(bytes[i]), frame))
            continue;
        sScanFrame = frame;
        // Only the first answer window ends early; the NAK rounds always
        // run their full time and judge the last frame that came.
        if (state_ == State::Answer) {
            out.push_back(StopTimer{kScanTimer});
            Judge(out);
        }
    }
    return out;
}

ScanActions PortScan::OnTimer(int timerId) {
    ScanActions out;
    if (timerId != kScanTimer)
        return out;
    out.push_back(StopTimer{kScanTimer});
    switch (state_) {
    case State::AfterOpen:
        sScanFrame.clear();
        out.push_back(Send{kENQ});
        Wait(State::Answer, kAnswerMs, out);
        break;
    case State::Answer: // no answer in time
        NextPort(out);
        break;
    case State::NakWait:
        out.push_back(Send{kENQ});
        Wait(State::EnqWait, kAnswerMs, out);
        break;
    case State::EnqWait:
        ++iScanRetries;
        if (!sScanFrame.empty() && CheckFrame(sScanFrame) != FrameKind::BadChecksum)
            Judge(out);
        else if (iScanRetries < kMaxNakRounds)
            StartNakRound(out);
        else
            NextPort(out);
        break;
    case State::Idle:
    case State::Opening:
        break;
    }
    return out;
}

ScanActions PortScan::Abort() {
    if (!Running())
        return {};
    state_ = State::Idle;
    return {StopTimer{kScanTimer}, ClosePort{}};
}

void PortScan::Judge(ScanActions& out) {
    switch (CheckFrame(sScanFrame)) {
    case FrameKind::BadChecksum:
        StartNakRound(out);
        return;
    case FrameKind::Far:
        sScanFrame.clear();
        out.push_back(Send{kACK});
        out.push_back(SetPortLabel{scan_text::kFound, std::to_string(portNumber_)});
        out.push_back(ClosePort{});
        Finish(true, out);
        return;
    case FrameKind::OtherClass:
        // Another kind of device: not ours, and not acknowledged.
        sScanFrame.clear();
        NextPort(out);
        return;
    }
}

void PortScan::StartNakRound(ScanActions& out) {
    sScanFrame.clear();
    out.push_back(Send{kNAK});
    Wait(State::NakWait, kAnswerMs, out);
}

void PortScan::NextPort(ScanActions& out) {
    out.push_back(ClosePort{});
    ++portNumber_;
    TryPort(out);
}

void PortScan::Finish(bool found, ScanActions& out) {
    state_ = State::Idle;
    if (found) {
        iScanPort = portNumber_;
        out.push_back(EnableConfirm{true});
    } else {
        iScanPort = 0;
        out.push_back(SetPortLabel{scan_text::kNotFound, ""});
        out.push_back(EnableConfirm{confirmWasEnabled_});
    }
    out.push_back(EnableScanControls{true});
}

void PortScan::Wait(State next, int ms, ScanActions& out) {
    state_ = next;
    out.push_back(StartTimer{kScanTimer, ms});
}

} // namespace heliotab
