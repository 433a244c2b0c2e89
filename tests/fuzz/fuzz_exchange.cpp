// Arbitrary byte streams through the receive path: the tester link's
// framing, InterrogaFAR and the result decoding, carried out by the main
// window's handlers, with the flags, message answers and virtual time
// driven by the input too.
//
// Invariant: no crash or sanitizer report; after every receive event the
// link has framed every byte it was given (no frame left to take); and
// everything we sent is one of the five control characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <filesystem>

#include "app/frmMain.h"
#include "device/ControlBytes.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::fakes;
using namespace heliotab::testframes;

namespace {

struct Input {
    const uint8_t* p;
    size_t n;
    bool empty() const { return n == 0; }
    uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    std::string Bytes(size_t k) {
        k = k < n ? k : n;
        std::string s(reinterpret_cast<const char*>(p), k);
        p += k;
        n -= k;
        return s;
    }
};

void Check(FakeStation& f) {
    std::string frame;
    if (f.link.NextFrame(frame)) std::abort();
    for (const SentByte& b : f.port.sent)
        if (b.byte != kACK && b.byte != kNAK && b.byte != kCAN && b.byte != kEOT && b.byte != kENQ) std::abort();
}

// Results are written into a folder of the run's own.
const std::string& Folder() {
    static const std::string dir = [] {
        auto p = std::filesystem::temp_directory_path() / ("heliotab-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    AppState& st = f.state;
    st.iSerialPort = 1;
    st.programDir = Folder();
    st.AccDirectory = Folder() + "/";
    f.timers.onTimer = [&](int id) {
        if (id == kTimerClose) f.timers.StopTimer(kTimerClose);  // no unload: the run goes on
        else TimerProc(s, id);
    };
    f.port.Open(1);

    Input in{data, size};
    while (!in.empty()) {
        const uint8_t op = in.Byte();
        switch (op % 8) {
        case 0: {  // raw chunk
            const std::string chunk = in.Bytes(in.Byte());
            OnSerialBytes(s, chunk);
            break;
        }
        case 1: {  // flags
            const uint8_t b = in.Byte();
            st.bTestArmed = b & 1;
            st.bDeviceSearch = b & 2;
            st.bDeviceOnline = b & 4;
            st.bQuitQuery = (b & 0x30) == 0x30;
            st.bClosePending = b & 0x40;
            if (b & 0x80) f.port.Close(); else if (!f.port.IsOpen()) f.port.Open(1);
            f.port.openFails = (b & 0x30) == 0x10;
            f.messages.answers.push_back(b & 0x20 ? kAnswerNo : kAnswerYes);
            break;
        }
        case 2:  // time
            f.timers.Advance(in.Byte() * 10);
            break;
        case 3: {  // a sealed frame with arbitrary body
            const std::string w = Wire(kStx + "FAR" + in.Bytes(in.Byte()));
            OnSerialBytes(s, w);
            break;
        }
        case 4: {  // fixed results with an arbitrary block
            Results r;
            const std::string b = in.Bytes(36);
            r.aims = b.substr(0, std::min<size_t>(8, b.size()));
            for (size_t k = 0; k < 4; ++k) r.lux[k] = b.size() > 8 + 6 * k ? b.substr(8 + 6 * k, 6) : "";
            const std::string w = Wire(FixedResults(op & 8, r));
            OnSerialBytes(s, w);
            break;
        }
        case 5: {  // separated frame from arbitrary fields
            Separated sep;
            const uint8_t shape = in.Byte();
            sep.status = std::string(1, static_cast<char>('0' + shape % 5));
            for (auto& a : sep.aims) a = in.Bytes(in.Byte() % 4);
            for (auto& l : sep.lux) l = in.Bytes(in.Byte() % 8);
            sep.code = in.Bytes(shape >> 6);
            if (shape & 0x20) sep.extra.clear();
            std::string frame = SeparatedFrame(sep);
            if (shape & 0x08) frame = frame.substr(0, frame.size() / 2);
            const std::string w = Wire(frame);
            OnSerialBytes(s, w);
            break;
        }
        case 6: {  // a chunk that arrives while the next message box is open
            const std::string nested = in.Bytes(in.Byte());
            f.messages.whileOpen = [&s, nested] { OnSerialBytes(s, nested); };
            break;
        }
        case 7: {  // split delivery of a sealed status frame
            const std::string w = Wire(FixedStatus(static_cast<char>('0' + in.Byte() % 6)));
            const size_t cut = in.Byte() % w.size();
            OnSerialBytes(s, w.substr(0, cut));
            Check(f);
            OnSerialBytes(s, w.substr(cut));
            break;
        }
        }
        Check(f);
    }
    return 0;
}
