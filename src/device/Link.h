// The serial link to the tester: frames in, single control bytes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shared/Station.h"

namespace heliotab {

enum : uint8_t {
    kNUL = 0x00, kSTX = 0x02, kETX = 0x03, kEOT = 0x04, kENQ = 0x05,
    kACK = 0x06, kNAK = 0x15, kCAN = 0x18,
};

// Two upper-case hex digits of the low byte of the sum of positions
// 2..n-2 (1-based); "00" for n <= 3.
std::string FrameChecksum(const std::string& frame);

// Received bytes, on the UI thread: assembles frames byte by byte (an STX
// starts a frame, the next ETX ends it) and runs InterrogaFAR for each; then
// starts the close timer when a close is pending.
void OnSerialBytes(Station& s, const char* data, size_t size);
// The port reported a disconnect (tester unplugged).
void OnSerialDisconnect(Station& s);

bool OpenPort(Station& s, int portNumber);
// Timer 1's connection attempt: close, 0.5 s, open, 0.5 s, ENQ.
void PollDevice(Station& s);
// True while a PollDevice sequence is still running its waits.
bool PollDeviceRunning(const Station& s);
// Drops a running PollDevice sequence without re-arming timer 1 (the
// options dialog takes the port away).
void CancelPollDevice(Station& s);
// Timer ids 3 and 4 (the link's own waits).
void OnLinkTimer(Station& s, int timerId);

void SendCancel(Station& s);
void SendEot(Station& s);

}  // namespace heliotab
