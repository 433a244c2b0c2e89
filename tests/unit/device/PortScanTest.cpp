// The port scan on virtual time, against simulated devices on COM1..COM16:
// the bytes each port received and when, the port found, the label and the
// confirm button at the end.
#include <gtest/gtest.h>

#include <map>

#include "device/ControlBytes.h"
#include "device/PortScan.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "settings/Language.h"

namespace heliotab {
namespace {

using namespace fakes;
using namespace testframes;

constexpr int kReplyMs = 20;  // the devices answer 20 ms after ENQ

// comDummy over a table of devices: each answers its n-th ENQ with the n-th
// letter of its script (the last one repeats): g a good identity frame, b
// one with a bad checksum, o a good frame of class "XYZ", s a good one a
// byte at a time, . nothing. A port without a device cannot be opened.
// Answers are queued and taken by the test loop once due, as the reader
// thread's chunks would be.
struct DevicePort : SerialPort {
    DevicePort(FakeClock& clock, std::map<int, std::string> devices) : clock_(clock), devices_(std::move(devices)) {}
    bool Open(int p) override {
        if (open_ || !devices_.count(p)) return false;
        opened.push_back(open_ = p);
        return true;
    }
    void Close() override { open_ = 0; }
    bool IsOpen() const override { return open_ != 0; }
    int OutBufferCount() override { return 0; }
    bool Send(uint8_t b) override {
        if (!open_) return false;
        sent[open_] += static_cast<char>(b);
        if (b == kACK) ackAtMs = clock_.Ms();
        const std::string& script = devices_[open_];
        const char kind = b != kENQ ? '.' : script[std::min<size_t>(enqs_[open_]++, script.size() - 1)];
        std::string good = Wire(FixedIdentity(true)), bad = good;
        bad[bad.size() - 2] ^= 1;
        const std::string reply = kind == 'g' || kind == 's' ? good : kind == 'b' ? bad : kind == 'o' ? Wire(kStx + "XYZ" + FixedIdentity(true).substr(4)) : "";
        for (size_t i = 0; i < reply.size(); i += kind == 's' ? 1 : reply.size())
            pending_.push_back({clock_.Ms() + kReplyMs, open_, reply.substr(i, kind == 's' ? 1 : reply.size())});
        return true;
    }
    // Chunks due now, for the port that is open now.
    std::vector<std::string> TakeDue() {
        std::vector<std::string> due;
        for (; !pending_.empty() && pending_.front().atMs <= clock_.Ms(); pending_.pop_front())
            if (pending_.front().port == open_) due.push_back(pending_.front().bytes);
        return due;
    }
    struct Chunk { int64_t atMs; int port; std::string bytes; };
    std::vector<int> opened;
    std::map<int, std::string> sent;
    int64_t ackAtMs = -1;
    FakeClock& clock_;
    std::map<int, std::string> devices_;
    std::map<int, size_t> enqs_;
    std::deque<Chunk> pending_;
    int open_ = 0;
};

struct RecordingView : ScanView {
    void SetPortLabel(const std::string& t) override { label = t; }
    void EnableScanControls(bool e) override { controls = e; }
    bool ConfirmEnabled() override { return confirm; }
    void EnableConfirm(bool e) override { confirm = e; }
    std::string label;
    bool controls = true, confirm = false;
};

struct Scan {
    explicit Scan(std::map<int, std::string> devices) : port{clock, std::move(devices)} {
        st.LanguageIni.SetIniFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini");
        timers.onTimer = [this](int id) { scan.OnTimer(id); };
    }
    // Runs virtual time in 1 ms steps, delivering the devices' answers.
    void RunUntilDone(int64_t limitMs) {
        while (scan.Running() && clock.Ms() < limitMs) {
            timers.Advance(1);
            for (const std::string& chunk : port.TakeDue()) scan.OnBytes(chunk.data(), chunk.size());
        }
    }
    AppState st;
    FakeClock clock;
    FakeTimers timers{clock};
    DevicePort port;
    RecordingView view;
    PortScan scan{st, port, timers, view};
};

const std::string E(1, '\x05'), A(1, '\x06'), N(1, '\x15');

TEST(PortScan, FindsTheTesterWithTheRightBytesAndTime) {
    const struct Row {
        const char* what;
        std::map<int, std::string> devices;
        bool confirmBefore;
        int found;                        // iScanPort
        std::map<int, std::string> wire;  // bytes each opened port received
        int64_t endMs;                    // when the scan ended
    } rows[] = {
        {"tester on COM3 behind two silent ports", {{1, "."}, {2, "."}, {3, "g"}}, false, 3, {{1, E}, {2, E}, {3, E + A}},
         2000 + 500 + kReplyMs},
        {"bad checksum, then good after one NAK", {{1, "bg"}}, false, 1, {{1, E + N + E + A}}, 500 + kReplyMs + 1000},
        {"good only in the last NAK round", {{1, "bbbg"}}, false, 1, {{1, E + N + E + N + E + N + E + A}},
         500 + kReplyMs + 3000},
        {"three NAK rounds, then the next port", {{1, "b"}, {2, "g"}}, false, 2,
         {{1, E + N + E + N + E + N + E}, {2, E + A}}, 500 + kReplyMs + 3000 + 500 + kReplyMs},
        {"silence in a NAK round: the next round", {{1, "b.g"}}, false, 1, {{1, E + N + E + N + E + A}},
         500 + kReplyMs + 2000},
        {"another class skipped without ACK", {{1, "o"}, {2, "g"}}, false, 2, {{1, E}, {2, E + A}},
         500 + kReplyMs + 500 + kReplyMs},
        {"a frame in single bytes", {{4, "s"}}, false, 4, {{4, E + A}}, 500 + kReplyMs},
        {"missing ports cost no time", {{16, "g"}}, false, 16, {{16, E + A}}, 500 + kReplyMs},
        {"no tester keeps confirm enabled", {{2, "."}, {9, "o"}}, true, 0, {{2, E}, {9, E}}, 1000 + 500 + kReplyMs},
        {"no port at all keeps confirm disabled", {}, false, 0, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Scan s(row.devices);
        s.view.confirm = row.confirmBefore;
        const int64_t t0 = s.clock.Ms();
        s.scan.Start();
        if (s.scan.Running()) EXPECT_FALSE(s.view.controls || s.view.confirm);
        s.RunUntilDone(t0 + 60000);
        ASSERT_FALSE(s.scan.Running());
        EXPECT_EQ(s.clock.Ms() - t0, row.endMs);
        EXPECT_EQ(s.scan.iScanPort, row.found);
        EXPECT_EQ(s.port.sent, row.wire);
        EXPECT_FALSE(s.port.IsOpen());
        EXPECT_TRUE(s.view.controls);
        EXPECT_EQ(s.port.ackAtMs - t0, row.found ? row.endMs : -1 - t0);
        EXPECT_EQ(s.view.label, row.found ? GetLangString(s.st, scan_text::kFound) + std::to_string(row.found)
                                          : GetLangString(s.st, scan_text::kNotFound));
        EXPECT_EQ(s.view.confirm, row.found || row.confirmBefore);
    }
}

// Closing the dialog in the middle of a scan: the port closes, nothing more
// is opened or sent, and a second scan starts from COM1 again.
TEST(PortScan, AbortClosesThePortAndStops) {
    Scan s({{1, "."}, {2, "g"}});
    s.scan.Start();
    s.scan.Start();  // ignored while running
    s.timers.Advance(700);
    EXPECT_EQ(s.view.label, GetLangString(s.st, scan_text::kTrying) + "1...");
    s.scan.Abort();
    s.timers.Advance(5000);
    EXPECT_FALSE(s.scan.Running() || s.port.IsOpen());
    EXPECT_EQ(s.port.sent, (std::map<int, std::string>{{1, E}}));
    s.scan.Start();
    EXPECT_EQ(s.port.opened, (std::vector<int>{1, 1}));
}

}  // namespace
}  // namespace heliotab
