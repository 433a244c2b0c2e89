// Arbitrary bytes through the receive path (the link's framing, InterrogaFAR,
// result decoding, carried out by the main window's handlers), with flags,
// answers and virtual time from the input too. After every event the link has
// framed every byte it was given, and all we sent is a control character.
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
    static const std::string dir =
        "/tmp/heliotab-fuzz-" + std::to_string(getpid()); // results go to a folder of the run's own
    [[maybe_unused]] static const bool made = std::filesystem::create_directories(dir);
    fakes::FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    f.state.iSerialPort = 1, f.state.programDir = dir, f.state.AccDirectory = dir + "/";
    f.timers.onTimer = [&](int id) {
        id == kTimerClose ? f.timers.StopTimer(id) : TimerProc(s, id);
    }; // no unload
    f.port.Open(1);
    auto byte = [&] { return n ? (--n, *p++) : 0; };
    auto bytes = [&](size_t k) {
        k = std::min(k, n);
        std::string b(reinterpret_cast<const char*>(p), k);
        p += k, n -= k;
        return b;
    };
    while (n) {
        const uint8_t op = byte();
        switch (op % 6) {
        case 0:
            OnSerialBytes(s, bytes(byte()));
            break; // a raw chunk
        case 1: {  // flags, the port and the next answer
            const uint8_t b = byte();
            f.state.bTestArmed = b & 1, f.state.bDeviceSearch = b & 2,
            f.state.bDeviceOnline = b & 4, f.state.bClosePending = b & 0x40;
            f.state.bQuitQuery = (b & 0x30) == 0x30, f.port.openFails = (b & 0x30) == 0x10,
            f.messages.answers.push_back(b & 0x20 ? kAnswerNo : kAnswerYes);
            if (b & 0x80)
                f.port.Close();
            else if (!f.port.IsOpen())
                f.port.Open(1);
            break;
        }
        case 2:
            f.timers.Advance(byte() * 10);
            break;
        case 3:
            OnSerialBytes(s, Wire(kStx + "FAR" + bytes(byte())));
            break; // a sealed frame, any body
        case 4:
            f.messages.whileOpen = [&s, nested = bytes(byte())] { OnSerialBytes(s, nested); };
            break; // while a box is open
        default: { // a separated frame from arbitrary fields
            Separated sep;
            sep.status = std::string(1, static_cast<char>('0' + byte() % 5));
            for (auto& field : sep.aims)
                field = bytes(byte() % 4);
            for (auto& field : sep.lux)
                field = bytes(byte() % 8);
            OnSerialBytes(s, Wire(SeparatedFrame(sep)));
        }
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
