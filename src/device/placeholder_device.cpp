// PLACEHOLDER (development only): replaced by the device subsystem.
#include "device/Exchange.h"
#include "device/Link.h"
namespace heliotab {
std::string FrameChecksum(const std::string&) { return "00"; }
void OnSerialBytes(Station&, const char*, size_t) {}
void OnSerialDisconnect(Station&) {}
bool OpenPort(Station&, int) { return false; }
void PollDevice(Station&) {}
bool PollDeviceRunning(const Station&) { return false; }
void OnLinkTimer(Station&, int) {}
void SendCancel(Station&) {}
void SendEot(Station&) {}
void InterrogaFAR(Station&) {}
}
