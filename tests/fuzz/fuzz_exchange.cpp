// Arbitrary byte streams through the receive path: framing, InterrogaFAR
// and the result decoding, with the flags and virtual time driven by the
// input too.
//
// Invariant: no crash or sanitizer report, and after every receive event
// sRxFrame is empty, the input queue is drained, the partial frame stays
// bounded and iNakCount stays within 0..3.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/Exchange.h"
#include "device/FrameAssembler.h"
#include "device/Link.h"
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

void Check(const AppState& st) {
    if (!st.sRxFrame.empty() || !st.sRxChunk.empty() || st.iRxChunkPos != 0 ||
        st.sRxBuffer.size() > FrameAssembler::kMaxFrame || st.iNakCount < 0 || st.iNakCount > 3)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    AppState& st = f.state;
    st.iSerialPort = 1;
    f.timers.onTimer = [&](int id) {
        if (id == kTimerPoll) {
            f.timers.StopTimer(kTimerPoll);
            if (!st.bDeviceOnline && st.bDeviceSearch) PollDevice(s);
        } else if (id == kTimerClose) {
            f.timers.StopTimer(kTimerClose);
        } else {
            OnLinkTimer(s, id);
        }
    };
    f.port.Open(1);

    Input in{data, size};
    std::string nested;  // a chunk to deliver inside the next pump
    f.pump.onDoEvents = [&] {
        if (nested.empty()) return;
        std::string chunk;
        chunk.swap(nested);
        OnSerialBytes(s, chunk.data(), chunk.size());
    };
    while (!in.empty()) {
        const uint8_t op = in.Byte();
        switch (op % 8) {
        case 0: {  // raw chunk
            const std::string chunk = in.Bytes(in.Byte());
            OnSerialBytes(s, chunk.data(), chunk.size());
            break;
        }
        case 1: {  // flags
            const uint8_t b = in.Byte();
            st.bTestArmed = b & 1;
            st.bDeviceSearch = b & 2;
            st.bDeviceOnline = b & 4;
            st.bMeasuring = b & 8;
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
            OnSerialBytes(s, w.data(), w.size());
            break;
        }
        case 4: {  // fixed results with an arbitrary block
            Results r;
            const std::string b = in.Bytes(36);
            r.aims = b.substr(0, std::min<size_t>(8, b.size()));
            for (size_t k = 0; k < 4; ++k) r.lux[k] = b.size() > 8 + 6 * k ? b.substr(8 + 6 * k, 6) : "";
            const std::string w = Wire(FixedResults(op & 8, r));
            OnSerialBytes(s, w.data(), w.size());
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
            OnSerialBytes(s, w.data(), w.size());
            break;
        }
        case 6:  // a chunk for the next pump
            nested = in.Bytes(in.Byte());
            break;
        case 7: {  // split delivery of a sealed status frame
            const std::string w = Wire(FixedStatus(static_cast<char>('0' + in.Byte() % 6)));
            const size_t cut = in.Byte() % w.size();
            OnSerialBytes(s, w.data(), cut);
            Check(st);
            OnSerialBytes(s, w.data() + cut, w.size() - cut);
            break;
        }
        }
        Check(st);
    }
    return 0;
}
