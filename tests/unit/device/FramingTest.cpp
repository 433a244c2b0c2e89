// The wire: byte-by-byte framing whatever the split of the
// stream, the NAK's timing and count, the port events, the connection
// attempts and the port scan, all on virtual time.

#include "device/FrameAssembler.h"
#include "device/PortScan.h"
#include "device/LinkFixture.h"
#include "dialogs/frmOpzioni.h"

namespace heliotab::testing_link {
namespace {

TEST(Link, FramesRunFromStxToTheNextEtxAndNothingElseIsAFrame) {
    // A NUL stays in the frame; a frame at the bound is kept, one past it
    // is dropped and the next STX starts again.
    const std::string big = kStx + std::string(FrameAssembler::kMaxFrame - 1, 'x');
    const std::string withNul = kStx + "FAR2" + kNul + "x";
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"noise" + kEtx + kStx + "FAR1" + kEtx + "junk" + withNul + kEtx, {kStx + "FAR1", withNul}},
        {kStx + "FAR-half" + kStx + "FAR-whole" + kEtx, {kStx + "FAR-whole"}},
        {kStx + "FAR no end", {}},
        {big + kEtx, {big}},
        {big + "y" + kEtx + kStx + "FAR" + kEtx, {kStx + "FAR"}},
    };
    for (auto& [stream, frames] : rows) {
        Link t;
        t.f.link.ReceiveBytes(stream);
        std::vector<std::string> got;
        for (std::string frame; t.f.link.NextFrame(frame);)
            got.push_back(frame);
        EXPECT_EQ(got, frames) << stream.substr(0, 20);
    }
}

// A step that feeds these bytes.
Step Feed(const std::string& bytes) {
    return [bytes](Link& t) { t.Feed(bytes); };
}

// Streams, bad frames in a row and other events, each followed by 0.5 s: the
// wire, and how many messages came (message 362 comes instead of the fourth
// NAK in a row).
TEST(Link, WhatEachStreamPutsOnTheWire) {
    const std::string badWire = BadFrame() + kEtx;
    const Step bad = Feed(badWire);
    const Step identity = Feed(Wire(FixedIdentity(true)));
    const Step other = Feed(Wire(FixedStatus('5')));
    const Step start = Feed(Wire(FixedStatus('1')));
    const Step results = Feed(Wire(FixedResults(true)));
    const Step signOffAndBack = Feed(Wire(FixedStatus('3')) + Wire(FixedIdentity(true)));
    // A whole session: start, results, another status, a bad frame, sign-off.
    const std::string session = Wire(FixedIdentity(false)) + "garbage" + Wire(FixedStatus('1')) +
                                Wire(SeparatedFrame({})) + Wire(FixedStatus('7')) + badWire +
                                Wire(FixedStatus('3'));
    const Step byteByByte = [&](Link& t) {
        for (char c : session)
            t.Feed(std::string(1, c));
    };
    // A frame that arrives under an earlier frame's message is handled at
    // once, and the bytes after it keep their order.
    const Step underTheMessage = [](Link& t) {
        const std::string status = Wire(FixedStatus('6'));
        t.f.messages.whileOpen = [&t, status] {
            t.Feed(status.substr(20) + Wire(FixedStatus('5')));
        };
        t.Feed(Wire(SeparatedFrame({.code = "4"})) + status.substr(0, 20));
    };
    // The count starts again once the message is closed: three more NAKs.
    const Step twoMoreUnderTheMessage = [&](Link& t) {
        t.f.messages.whileOpen = [&t, &badWire] {
            t.Feed(badWire + badWire);
            t.f.timers.Advance(1000);
        };
    };
    const Step badWhileQuitting = [&](Link& t) {
        t.Feed(badWire);
        t.f.timers.Advance(200);
        t.st.bQuitQuery = true;
        t.f.timers.Advance(1000);
        t.st.bQuitQuery = false;
    };
    const Step poll = [](Link& t) { CarryOut(t.s, t.f.link.PollDevice(false)); };
    const std::string threeAcks = "\x06\x06\x06";
    const struct Row {
        std::vector<Step> events;
        std::string wire;
        size_t messages;
    } rows[] = {
        {{Feed(session)}, threeAcks + "\x15", 1},
        {{byteByByte}, threeAcks + "\x15", 1},
        {{start, underTheMessage}, threeAcks + "\x06", 1},
        {{bad, identity, other, other, bad, bad, bad}, "\x15\x06\x06\x15\x15", 1},
        {{bad, bad, start, bad, bad, results, bad, bad}, "\x15\x15\x06\x15\x15\x06\x15\x15", 1},
        {{bad, bad, start, bad, bad, bad}, "\x15\x15\x06\x15\x15\x15", 0},
        {{bad, bad, bad, bad, bad, bad, bad, bad}, "\x15\x15\x15\x15\x15\x15", 2},
        {{bad, bad, bad, signOffAndBack, bad, bad, bad, bad}, "\x15\x15\x15\x15\x15\x15", 1},
        {{bad, bad, bad, twoMoreUnderTheMessage, bad, bad, bad, bad},
         "\x15\x15\x15\x15\x15\x15",
         1},
        {{badWhileQuitting, badWhileQuitting, badWhileQuitting, badWhileQuitting}, "", 1},
        {{bad, bad, bad, poll, bad, bad, bad}, "\x15\x15\x15\x05\x15\x15\x15", 0},
    };
    for (const Row& row : rows) {
        Link t;
        t.GoOnline();
        t.st.bTestArmed = true;
        for (const Step& event : row.events) {
            event(t);
            t.f.timers.Advance(500);
        }
        EXPECT_EQ(t.f.port.SentBytes(), row.wire) << "row " << &row - rows;
        EXPECT_EQ(t.f.messages.shown.size(), row.messages) << "row " << &row - rows;
    }
}

// A lost line: the port closed, the partial frame and the pending NAK
// dropped, the window reset and the search on again; while closing, only
// the port is closed.
TEST(Link, DisconnectClosesThePortDropsThePendingNakAndSearchesAgain) {
    Link t;
    t.GoMeasuring();
    t.Feed(BadFrame() + kEtx + Wire(FixedStatus('5')).substr(0, 10));
    LinkActions want{ClosePort{}, StopTimer{kTimerNakDelay}};
    want.insert(want.end(), kReset.begin(), kReset.end());
    EXPECT_EQ(t.f.link.PortLost(), want);
    EXPECT_FALSE(t.st.bDeviceOnline); // or the poll would never look for the tester again
    t.f.link.ReceiveBytes(Wire(FixedStatus('5')).substr(10));
    std::string frame;
    EXPECT_FALSE(t.f.link.NextFrame(frame));
    t.st.bQuitQuery = true;
    EXPECT_THAT(t.f.link.PortLost(), ElementsAre(ClosePort{}, StopTimer{kTimerNakDelay}));
}

// What timer 1's connection attempts did in 5.5 s from a start-up with the
// search on: the wire, how often the port opened and whether it is open.
struct Attempts {
    std::vector<Sent> wire;
    size_t opens;
    bool open;
    size_t messages;
    bool searching, polling;
    bool operator==(const Attempts&) const = default;
};
void PrintTo(const Attempts& a, std::ostream* os) {
    *os << "wire " << ::testing::PrintToString(a.wire) << " opens " << a.opens << " open " << a.open
        << " messages " << a.messages << " searching " << a.searching << " polling " << a.polling;
}

TEST(PollDevice, EachAttemptAndWhatEndsIt) {
    const Step none = [](Link&) {};
    const Step quit = [](Link& t) { t.st.bQuitQuery = true; };
    const Step noPort = [](Link& t) { t.st.iSerialPort = 0; };
    // The port comes free while the question is open.
    const Step openFailsYes = [](Link& t) {
        t.f.port.openFails = true;
        t.f.messages.answers = {kAnswerYes};
        t.f.messages.whileOpen = [&t] { t.f.port.openFails = false; };
    };
    const Step openFailsNo = [](Link& t) {
        t.f.port.openFails = true;
        t.f.messages.answers = {kAnswerNo};
    };
    const Step searchOff = [](Link& t) { t.st.bDeviceSearch = false; };
    const Step dialogOpens = [](Link& t) { OptionsDialogOpening(t.s); };
    const Step dialogOpensAndCloses = [](Link& t) {
        t.Feed(Wire(FixedIdentity(true)));
        OptionsDialogOpening(t.s);
        OptionsDialogClosed(t.s);
    };
    // One attempt per line.
    // clang-format off
    const struct Row {
        int64_t at;
        Step during;
        Attempts want;
    } rows[] = {
        {0, none, {Enqs({1500, 3500, 5500}), 3, true, 0, true, true}},
        {0, noPort, {{}, 0, false, 0, true, true}},
        // Timer 1 ticks on while online and does nothing.
        {1600, Feed(Wire(FixedIdentity(true))), {Enqs({1500}), 1, true, 0, false, false}},
        {0, openFailsYes, {Enqs({1500, 3500, 5500}), 3, true, 1, true, true}},
        {0, openFailsNo, {{}, 0, false, 1, false, false}},
        {1200, quit, {{}, 1, true, 0, true, false}},
        {2600, quit, {Enqs({1500}), 1, false, 0, true, false}},
        {0, searchOff, {{}, 0, false, 0, false, false}},
        {1200, dialogOpens, {{}, 1, false, 0, true, false}},
        {1600, dialogOpensAndCloses, {Enqs({1500, 3100, 5100}), 3, true, 0, true, true}},
    };
    // clang-format on
    for (const Row& row : rows) {
        Link t;
        t.st.bDeviceSearch = true;
        t.f.timers.StartTimer(kTimerPoll, 1000);
        t.f.timers.Advance(row.at);
        row.during(t);
        t.f.timers.Advance(5500 - row.at);
        const Attempts seen{t.OnWire(),         t.f.port.opened.size(),
                            t.f.port.IsOpen(),  t.f.messages.shown.size(),
                            t.st.bDeviceSearch, t.f.timers.IsRunning(kTimerPoll)};
        EXPECT_EQ(seen, row.want) << "row " << &row - rows;
    }
}

// The port scan on virtual time against simulated devices on COM1..COM16:
// each answers its n-th ENQ 20 ms later by the n-th reply of its script (the
// last one repeats), in two pieces; a port without a device cannot be opened.
constexpr int kReplyMs = 20;
using Devices = std::map<int, std::vector<std::string>>; // the port and its replies

struct DevicePort : SerialPort {
    DevicePort(FakeClock& c, Devices d) : clock(c), devices(d) {}
    bool Open(int p) override { return !open_ && devices.count(p) && (open_ = p); }
    void Close() override { open_ = 0; }
    bool IsOpen() const override { return open_ != 0; }
    int OutBufferCount() override { return 0; }
    bool Send(uint8_t b) override {
        sent[open_] += static_cast<char>(b);
        std::vector<std::string>& script = devices[open_];
        if (b != kENQ)
            return true;
        const std::string reply = script.front();
        if (script.size() > 1)
            script.erase(script.begin());
        const size_t half = reply.size() / 2;
        pending.push_back({open_, reply.substr(0, half)});
        pending.push_back({open_, reply.substr(half)});
        dueMs = clock.Ms() + kReplyMs;
        return true;
    }
    FakeClock& clock;
    Devices devices;
    std::map<int, std::string> sent;
    std::vector<std::pair<int, std::string>> pending; // the port and the bytes
    int64_t dueMs = 0;
    int open_ = 0;
};

struct Scan : ScanView {
    void SetPortLabel(const std::string& t) override { label = t; }
    void EnableScanControls(bool e) override { controls = e; }
    void EnableConfirm(bool e) override { confirm = e; }
    explicit Scan(Devices devices) : port{clock, devices} {
        st.LanguageIni.SetIniFile(HELIOTAB_SOURCE_DIR "/data/Language.ini");
        timers.onTimer = [this](int id) { CarryOutScan(side, scan.OnTimer(id)); };
    }
    // Runs virtual time in 1 ms steps, delivering the devices' answers to
    // the port that is open when they are due.
    void RunUntilDone(int64_t limitMs) {
        while (scan.Running() && clock.Ms() < limitMs) {
            timers.Advance(1);
            if (clock.Ms() < port.dueMs)
                continue;
            for (const auto& [from, bytes] : std::exchange(port.pending, {}))
                if (from == port.open_)
                    CarryOutScan(side, scan.OnBytes(bytes));
        }
    }
    std::string label;
    bool controls = true, confirm = false;
    AppState st;
    FakeClock clock;
    FakeTimers timers{clock};
    DevicePort port;
    PortScan scan;
    ScanSide side{st, scan, port, timers, *this};
};

const std::string E(1, kENQ), A(1, kACK), N(1, kNAK);

TEST(PortScan, FindsTheTesterWithTheRightBytesAndTime) {
    const std::string good = Wire(FixedStatus('0')), bad = BadFrame() + kEtx;
    const std::string other = Wire(kStx + "XYZ"), silent;
    constexpr int64_t R = 500 + kReplyMs; // a port's ENQ and its answer
    const struct Row {
        const char* what;
        Devices devices;
        bool confirmBefore;
        int found;
        std::map<int, std::string> wire; // what each opened port received
        int64_t endMs;
    } rows[] = {
        // Silence, another class, three NAK rounds without a good frame,
        // then a good frame in the second NAK round after a silent one.
        {"the tester on COM4",
         {{1, {silent}}, {2, {other}}, {3, {bad}}, {4, {bad, silent, good}}},
         false,
         4,
         {{1, E}, {2, E}, {3, E + N + E + N + E + N + E}, {4, E + N + E + N + E + A}},
         1000 + R + (R + 3000) + (R + 2000)},
        {"missing ports cost no time", {{16, {good}}}, false, 16, {{16, E + A}}, R},
        {"no tester keeps confirm enabled", {{2, {silent}}}, true, 0, {{2, E}}, 1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Scan s(row.devices);
        s.confirm = row.confirmBefore;
        const int64_t t0 = s.clock.Ms();
        CarryOutScan(s.side, s.scan.Start(s.confirm));
        EXPECT_FALSE(s.controls);
        s.RunUntilDone(t0 + 60000);
        EXPECT_EQ(s.clock.Ms() - t0, row.endMs);
        EXPECT_EQ(s.scan.iScanPort, row.found);
        EXPECT_EQ(s.port.sent, row.wire);
        EXPECT_FALSE(s.port.IsOpen());
        EXPECT_TRUE(s.controls);
        EXPECT_EQ(s.label, row.found ? Lang(scan_text::kFound, std::to_string(row.found))
                                     : Lang(scan_text::kNotFound));
        EXPECT_EQ(s.confirm, row.found || row.confirmBefore);
    }
}

// Closing the dialog in the middle of a scan: the port closes and nothing
// more is opened or sent; a second Start or Abort changes nothing.
TEST(PortScan, AbortClosesThePortAndStops) {
    Scan s({{1, {""}}, {2, {Wire(FixedStatus('0'))}}});
    CarryOutScan(s.side, s.scan.Start(false));
    EXPECT_THAT(s.scan.Start(false), ElementsAre());
    s.timers.Advance(700);
    CarryOutScan(s.side, s.scan.Abort());
    EXPECT_THAT(s.scan.Abort(), ElementsAre());
    s.timers.Advance(5000);
    EXPECT_FALSE(s.port.IsOpen());
    EXPECT_EQ(s.port.sent, (std::map<int, std::string>{{1, E}}));
}

} // namespace
} // namespace heliotab::testing_link
