#include "device/PortScan.h"

#include "device/FrameAssembler.h"
#include "device/ControlBytes.h"
#include "device/FrameChecksum.h"
#include "settings/Language.h"

namespace heliotab {

void PortScan::Start() {
    if (Running())
        return;
    confirmWasEnabled_ = view_.ConfirmEnabled();
    view_.EnableConfirm(false);
    view_.EnableScanControls(false);
    portNumber_ = kFirstPort;
    TryPort();
}

void PortScan::TryPort() {
    // A port that cannot be opened (missing, busy) is passed over at once.
    for (; portNumber_ <= kLastPort; ++portNumber_) {
        iScanRetries = 0;
        view_.SetPortLabel(GetLangString(st_, scan_text::kTrying) + std::to_string(portNumber_) +
                           "...");
        sScanBuffer.clear();
        if (port_.Open(portNumber_)) {
            Wait(State::AfterOpen, kOpenWaitMs);
            return;
        }
    }
    Finish(false);
}

void PortScan::OnBytes(const char* data, size_t size) {
    if (!Running())
        return;
    FrameAssembler assembler(sScanBuffer);
    std::string frame;
    // Bytes left over once the port has been judged belong to it, not to the next one.
    const int port = portNumber_;
    for (size_t i = 0; i < size && Running() && portNumber_ == port; ++i) {
        if (!assembler.Feed(static_cast<uint8_t>(data[i]), frame))
            continue;
        sScanFrame = frame;
        sScanChecksum = FrameChecksum(sScanFrame);
        // Only the first answer window ends early; the NAK rounds always
        // run their full time and judge the last frame that came.
        if (state_ == State::Answer) {
            timers_.StopTimer(kScanTimer);
            Judge();
        }
    }
}

void PortScan::OnTimer(int timerId) {
    if (timerId != kScanTimer)
        return;
    timers_.StopTimer(kScanTimer);
    switch (state_) {
    case State::AfterOpen:
        sScanFrame.clear();
        port_.Send(kENQ);
        Wait(State::Answer, kAnswerMs);
        break;
    case State::Answer: // no answer in time
        NextPort();
        break;
    case State::NakWait:
        port_.Send(kENQ);
        Wait(State::EnqWait, kAnswerMs);
        break;
    case State::EnqWait:
        ++iScanRetries;
        if (!sScanFrame.empty() && FrameChecksumOk())
            JudgeGoodFrame();
        else if (iScanRetries < kMaxNakRounds)
            StartNakRound();
        else
            NextPort();
        break;
    case State::Idle:
        break;
    }
}

void PortScan::Abort() {
    if (!Running())
        return;
    timers_.StopTimer(kScanTimer);
    state_ = State::Idle;
    port_.Close();
}

bool PortScan::FrameChecksumOk() const {
    const size_t n = sScanFrame.size();
    return n >= 2 && sScanFrame.compare(n - 2, 2, sScanChecksum) == 0;
}

void PortScan::Judge() {
    if (FrameChecksumOk())
        JudgeGoodFrame();
    else
        StartNakRound();
}

void PortScan::JudgeGoodFrame() {
    if (sScanFrame.size() >= 4 && sScanFrame.compare(1, 3, "FAR") == 0) {
        sScanFrame.clear();
        port_.Send(kACK);
        view_.SetPortLabel(GetLangString(st_, scan_text::kFound) + std::to_string(portNumber_));
        port_.Close();
        Finish(true);
        return;
    }
    // Another kind of device: not ours, and not acknowledged.
    sScanFrame.clear();
    NextPort();
}

void PortScan::StartNakRound() {
    sScanFrame.clear();
    port_.Send(kNAK);
    Wait(State::NakWait, kAnswerMs);
}

void PortScan::NextPort() {
    port_.Close();
    ++portNumber_;
    TryPort();
}

void PortScan::Finish(bool found) {
    state_ = State::Idle;
    if (found) {
        iScanPort = portNumber_;
        view_.EnableConfirm(true);
    } else {
        iScanPort = 0;
        view_.SetPortLabel(GetLangString(st_, scan_text::kNotFound));
        view_.EnableConfirm(confirmWasEnabled_);
    }
    view_.EnableScanControls(true);
}

void PortScan::Wait(State next, int ms) {
    state_ = next;
    timers_.StartTimer(kScanTimer, ms);
}

} // namespace heliotab
