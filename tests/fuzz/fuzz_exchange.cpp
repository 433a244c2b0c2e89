// Arbitrary byte streams through the receive path (the link's framing,
// InterrogaFAR, result decoding, carried out by the main window's handlers),
// with flags, message answers and virtual time driven by the input too.
// After every event the link has framed every byte it was given, and all we
// ever sent is one of the five control characters.
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
    static const std::string dir = [] {  // results go to a folder of the run's own
        auto d = std::filesystem::temp_directory_path() / ("heliotab-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d.string();
    }();
    fakes::FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    f.state.iSerialPort = 1;
    f.state.programDir = dir;
    f.state.AccDirectory = dir + "/";
    f.timers.onTimer = [&](int id) { id == kTimerClose ? f.timers.StopTimer(id) : TimerProc(s, id); };  // no unload
    f.port.Open(1);
    auto byte = [&] { return n ? (--n, *p++) : 0; };
    auto bytes = [&](size_t k) { k = std::min(k, n); std::string b(reinterpret_cast<const char*>(p), k); p += k, n -= k; return b; };
    auto check = [&] {
        std::string frame;
        if (f.link.NextFrame(frame)) std::abort();
        for (const fakes::SentByte& b : f.port.sent)
            if (b.byte != kACK && b.byte != kNAK && b.byte != kCAN && b.byte != kEOT && b.byte != kENQ) std::abort();
    };
    while (n) {
        const uint8_t op = byte();
        switch (op % 8) {
        case 0: OnSerialBytes(s, bytes(byte())); break;  // a raw chunk
        case 1: {  // flags, the port and the next answer
            const uint8_t b = byte();
            f.state.bTestArmed = b & 1, f.state.bDeviceSearch = b & 2, f.state.bDeviceOnline = b & 4;
            f.state.bQuitQuery = (b & 0x30) == 0x30, f.state.bClosePending = b & 0x40;
            if (b & 0x80) f.port.Close(); else if (!f.port.IsOpen()) f.port.Open(1);
            f.port.openFails = (b & 0x30) == 0x10;
            f.messages.answers.push_back(b & 0x20 ? kAnswerNo : kAnswerYes);
            break;
        }
        case 2: f.timers.Advance(byte() * 10); break;
        case 3: OnSerialBytes(s, Wire(kStx + "FAR" + bytes(byte()))); break;  // a sealed frame, any body
        case 4: {  // fixed results with an arbitrary block
            Results r;
            const std::string b = bytes(36);
            r.aims = b.substr(0, 8);
            for (size_t k = 0; k < 4; ++k) r.lux[k] = b.size() > 8 + 6 * k ? b.substr(8 + 6 * k, 6) : "";
            OnSerialBytes(s, Wire(FixedResults(op & 8, r)));
            break;
        }
        case 5: {  // a separated frame from arbitrary fields, maybe cut in half
            Separated sep;
            const uint8_t shape = byte();
            sep.status = std::string(1, static_cast<char>('0' + shape % 5));
            for (auto& a : sep.aims) a = bytes(byte() % 4);
            for (auto& l : sep.lux) l = bytes(byte() % 8);
            sep.code = bytes(shape >> 6);
            if (shape & 0x20) sep.extra.clear();
            const std::string frame = SeparatedFrame(sep);
            OnSerialBytes(s, Wire(shape & 0x08 ? frame.substr(0, frame.size() / 2) : frame));
            break;
        }
        case 6: f.messages.whileOpen = [&s, nested = bytes(byte())] { OnSerialBytes(s, nested); }; break;  // while a box is open
        case 7: {  // a sealed status frame in two pieces
            const std::string w = Wire(FixedStatus(static_cast<char>('0' + byte() % 6)));
            const size_t cut = byte() % w.size();
            OnSerialBytes(s, w.substr(0, cut));
            check();
            OnSerialBytes(s, w.substr(cut));
        }
        }
        check();
    }
    return 0;
}
