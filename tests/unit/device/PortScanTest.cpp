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

enum class Device {
    Missing,      // the port cannot be opened
    Silent,       // opens, never answers
    Far,          // answers ENQ with a good identity frame
    Other,        // answers ENQ with a good frame of class "XYZ"
    BadThenGood,  // first answer has a bad checksum, later ones are good
    AlwaysBad,    // every answer has a bad checksum
    FarSplit,     // like Far, its frame arrives one byte at a time
};

constexpr int kReplyMs = 20;  // the devices answer 20 ms after ENQ

// comDummy over a table of devices; answers are queued and delivered by the
// test loop once due, as the reader thread's chunks would be.
class DevicePort : public SerialPort {
public:
    DevicePort(FakeClock& clock, std::map<int, Device> devices) : clock_(clock), devices_(std::move(devices)) {}

    bool Open(int p) override {
        if (open_ || Kind(p) == Device::Missing) return false;
        open_ = p;
        opened.push_back(p);
        return true;
    }
    void Close() override { open_ = 0; }
    bool IsOpen() const override { return open_ != 0; }
    int OutBufferCount() override { return 0; }
    bool Send(uint8_t b) override {
        if (!open_) return false;
        sent[open_].push_back(static_cast<char>(b));
        if (b == kACK) ackAtMs = clock_.Ms();
        if (b != kENQ) return true;
        const int answer = enqs_[open_]++;
        const std::string good = Wire(FixedIdentity(true));
        std::string bad = good;
        bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
        switch (Kind(open_)) {
        case Device::Far: Reply(good); break;
        case Device::FarSplit:
            for (char c : good) Reply(std::string(1, c));
            break;
        case Device::Other: Reply(Wire(kStx + "XYZ" + FixedIdentity(true).substr(4))); break;
        case Device::BadThenGood: Reply(answer == 0 ? bad : good); break;
        case Device::AlwaysBad: Reply(bad); break;
        default: break;
        }
        return true;
    }

    Device Kind(int p) const {
        auto it = devices_.find(p);
        return it == devices_.end() ? Device::Missing : it->second;
    }
    // Chunks due now, for the port that is open now.
    std::vector<std::string> TakeDue() {
        std::vector<std::string> due;
        while (!pending_.empty() && pending_.front().atMs <= clock_.Ms()) {
            if (pending_.front().port == open_) due.push_back(pending_.front().bytes);
            pending_.pop_front();
        }
        return due;
    }

    std::vector<int> opened;
    std::map<int, std::string> sent;
    int64_t ackAtMs = -1;

private:
    void Reply(const std::string& bytes) { pending_.push_back({clock_.Ms() + kReplyMs, open_, bytes}); }
    struct Chunk {
        int64_t atMs;
        int port;
        std::string bytes;
    };
    FakeClock& clock_;
    std::map<int, Device> devices_;
    std::map<int, int> enqs_;
    std::deque<Chunk> pending_;
    int open_ = 0;
};

class RecordingView : public ScanView {
public:
    void SetPortLabel(const std::string& t) override { label = t; }
    void EnableScanControls(bool e) override { controls = e; }
    bool ConfirmEnabled() override { return confirm; }
    void EnableConfirm(bool e) override { confirm = e; }
    std::string label;
    bool controls = true;
    bool confirm = false;
};

struct Row {
    const char* name;
    std::map<int, Device> devices;
    bool confirmBefore;
    int found;                           // iScanPort
    std::map<int, std::string> wire;     // bytes each opened port received
    int64_t endMs;                       // when the scan ended
};

const std::string E(1, '\x05'), A(1, '\x06'), N(1, '\x15');

const Row kRows[] = {
    {"TesterOnCom3BehindTwoSilentPorts", {{1, Device::Silent}, {2, Device::Silent}, {3, Device::Far}}, false, 3,
     {{1, E}, {2, E}, {3, E + A}}, 2000 + 500 + kReplyMs},
    {"BadChecksumThenGoodAfterOneNak", {{1, Device::BadThenGood}}, false, 1, {{1, E + N + E + A}}, 500 + kReplyMs + 1000},
    {"ThreeNakRoundsThenTheNextPort", {{1, Device::AlwaysBad}, {2, Device::Far}}, false, 2,
     {{1, E + N + E + N + E + N + E}, {2, E + A}}, 500 + kReplyMs + 3000 + 500 + kReplyMs},
    {"OtherClassSkippedWithoutAck", {{1, Device::Other}, {2, Device::Far}}, false, 2, {{1, E}, {2, E + A}},
     500 + kReplyMs + 500 + kReplyMs},
    {"FrameInSingleBytes", {{4, Device::FarSplit}}, false, 4, {{4, E + A}}, 500 + kReplyMs},
    {"MissingPortsCostNoTime", {{16, Device::Far}}, false, 16, {{16, E + A}}, 500 + kReplyMs},
    {"NoDeviceKeepsConfirmEnabled", {{2, Device::Silent}, {9, Device::Other}}, true, 0, {{2, E}, {9, E}}, 1000 + 500 + kReplyMs},
    {"NoDeviceKeepsConfirmDisabled", {}, false, 0, {}, 0},
};

class PortScanTest : public ::testing::TestWithParam<Row> {
protected:
    PortScanTest() {
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
    DevicePort port{clock, GetParam().devices};
    RecordingView view;
    PortScan scan{st, port, timers, view};
};

TEST_P(PortScanTest, FindsTheTesterWithTheRightBytesAndTime) {
    const Row& row = GetParam();
    view.confirm = row.confirmBefore;
    const int64_t t0 = clock.Ms();
    scan.Start();
    if (scan.Running()) {
        EXPECT_FALSE(view.controls);
        EXPECT_FALSE(view.confirm);
    }
    RunUntilDone(t0 + 60000);
    ASSERT_FALSE(scan.Running());
    EXPECT_EQ(clock.Ms() - t0, row.endMs);
    EXPECT_EQ(scan.iScanPort, row.found);
    EXPECT_EQ(port.sent, row.wire);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(view.controls);
    if (row.found) {
        EXPECT_EQ(port.ackAtMs - t0, row.endMs);
        EXPECT_EQ(view.label, GetLangString(st, scan_text::kFound) + std::to_string(row.found));
        EXPECT_TRUE(view.confirm);
        EXPECT_EQ(port.opened.back(), row.found);
    } else {
        EXPECT_EQ(view.label, GetLangString(st, scan_text::kNotFound));
        EXPECT_EQ(view.confirm, row.confirmBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, PortScanTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Closing the dialog in the middle of a scan: the port closes, nothing more
// is opened or sent, and a second scan starts from COM1 again.
TEST(PortScanAbort, ClosesThePortAndStops) {
    AppState st;
    FakeClock clock;
    FakeTimers timers{clock};
    DevicePort port{clock, {{1, Device::Silent}, {2, Device::Far}}};
    RecordingView view;
    PortScan scan{st, port, timers, view};
    timers.onTimer = [&](int id) { scan.OnTimer(id); };
    scan.Start();
    timers.Advance(700);
    EXPECT_EQ(view.label, GetLangString(st, scan_text::kTrying) + "1...");
    scan.Abort();
    timers.Advance(5000);
    EXPECT_FALSE(scan.Running());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.opened, std::vector<int>{1});
    EXPECT_EQ(port.sent[1], E);
    scan.Start();
    EXPECT_EQ(port.opened, (std::vector<int>{1, 1}));
}

}  // namespace
}  // namespace heliotab
