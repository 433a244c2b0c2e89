// Arbitrary bytes through the receive path (the link's framing, InterrogaFAR,
// result decoding, carried out by the main window's handlers), with flags,
// the port and virtual time from the input too. After every event the link
// has framed every byte it was given, and all we sent is a control character.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/frmMain.h"
#include "device/ControlBytes.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::testframes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p, size_t n) {
    // Results go to a folder of the run's own.
    static const std::string dir = "/tmp/heliotab-fuzz-" + std::to_string(getpid());
    [[maybe_unused]] static const bool made = std::filesystem::create_directories(dir);
    fakes::FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    f.state.iSerialPort = 1;
    f.state.programDir = dir;
    f.state.AccDirectory = dir + "/";
    // No unload: the close timer only stops.
    f.timers.onTimer = [&](int id) {
        if (id == kTimerClose)
            f.timers.StopTimer(id);
        else
            TimerProc(s, id);
    };
    f.port.Open(1);
    const std::string input(reinterpret_cast<const char*>(p), n);
    for (size_t at = 0; at + 1 < input.size();) {
        const uint8_t op = input[at];
        const uint8_t arg = input[at + 1];
        const std::string body = input.substr(at + 2, arg);
        at += 2;
        switch (op % 5) {
        case 0: // a raw chunk
            OnSerialBytes(s, body);
            at += body.size();
            break;
        case 1: // a sealed frame, any body
            OnSerialBytes(s, Wire(kStx + "FAR" + body));
            at += body.size();
            break;
        case 2: // bytes that come while a message box is open
            f.messages.whileOpen = [&s, body] { OnSerialBytes(s, body); };
            at += body.size();
            break;
        case 3:
            f.timers.Advance(arg * 10);
            break;
        default: // flags, the port and the next answer
            f.state.bTestArmed = arg & 1;
            f.state.bDeviceSearch = arg & 2;
            f.state.bDeviceOnline = arg & 4;
            f.state.bClosePending = arg & 0x40;
            f.state.bQuitQuery = (arg & 0x30) == 0x30;
            f.port.openFails = (arg & 0x30) == 0x10;
            f.messages.answers.push_back(arg & 0x20 ? kAnswerNo : kAnswerYes);
            if (arg & 0x80)
                f.port.Close();
            else if (!f.port.IsOpen())
                f.port.Open(1);
        }
        if (std::string frame; f.link.NextFrame(frame))
            std::abort();
        for (const fakes::SentByte& b : f.port.sent)
            if (b.byte != kACK && b.byte != kNAK && b.byte != kCAN && b.byte != kEOT &&
                b.byte != kENQ)
                std::abort();
    }
    return 0;
}
