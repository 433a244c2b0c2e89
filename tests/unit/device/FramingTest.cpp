// The wire: checksum, byte-by-byte framing whatever the split of the
// stream, the NAK's timing and count, the port events and the connection
// attempts.

#include "device/FrameAssembler.h"
#include "device/PortScan.h"
#include "device/LinkFixture.h"

namespace heliotab::testing_link {
namespace {

TEST(FrameChecksum, SumsPositionsTwoToNMinusTwoIntoTwoUpperCaseHexDigits) {
    // 'a' + 'b' + 'c' = 0x126; the STX and checksum places do not count; bytes above 127 count as
    // bytes; n = 4: position 2 only; sums beyond 32767 (48800 = 0xBEA0, 1275000 = 0x137478).
    const std::vector<std::pair<std::string, std::string>> rows{
        {"\x02"
         "abc??",
         "26"},
        {"\x7F"
         "abc\xFF\xFF",
         "26"},
        {"\x02\xFA\x01??", "FB"},
        {"\x02\x0A??", "0A"},
        {"", "00"},
        {"\x02", "00"},
        {"\x02"
         "AB",
         "00"},
        {"\x02"
         "ZAB",
         "5A"},
        {"\x02" + std::string(400, 'z') + "??", "A0"},
        {"\x02" + std::string(5000, '\xFF') + "??", "78"}};
    for (auto& [frame, sum] : rows)
        EXPECT_EQ(FrameChecksum(frame), sum) << frame.size();
}

TEST(Link, FramesRunFromStxToTheNextEtxAndNothingElseIsAFrame) {
    // A NUL stays in the frame; a frame too long is dropped, one just at the bound is kept, one
    // past it resyncs.
    const std::string big = "\x02" + std::string(FrameAssembler::kMaxFrame - 1, 'x');
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows{
        {std::string("noise\x03\x02"
                     "FAR1\x03junk\x02"
                     "FAR2\0x\x03",
                     24),
         {"\x02"
          "FAR1",
          std::string("\x02"
                      "FAR2\0x",
                      7)}},
        {"\x02"
         "FAR-half\x02"
         "FAR-whole\x03",
         {"\x02"
          "FAR-whole"}},
        {"\x02"
         "FAR no end",
         {}},
        {"\x02" + std::string(FrameAssembler::kMaxFrame + 10, 'x') + "\x03", {}},
        {big + "\x03", {big}},
        {big + "y\x03\x02"
               "FAR\x03",
         {"\x02"
          "FAR"}}};
    for (auto& [stream, frames] : rows) {
        Link t;
        t.f.link.ReceiveBytes(stream);
        std::vector<std::string> got;
        for (std::string frame; t.f.link.NextFrame(frame);)
            got.push_back(frame);
        EXPECT_EQ(got, frames) << stream.substr(0, 20);
    }
}

// A whole session (identity, start, results, another status, a bad frame,
// sign-off) as the wire with times, the file, the messages and the flags.
std::string SessionStream() {
    Separated sep;
    sep.aims[3] = "A#";
    return Wire(FixedIdentity(false)) + "garbage" + Wire(FixedStatus('1')) +
           Wire(SeparatedFrame(sep)) + Wire(FixedStatus('7')) +
           "\x02"
           "FARbad\x03" +
           Wire(FixedStatus('3'));
}

std::string RunSession(const std::vector<size_t>& cuts) {
    Link t;
    t.GoOnline();
    t.st.bTestArmed = true;
    const std::string stream = SessionStream();
    size_t from = 0;
    for (size_t cut : cuts)
        t.Feed(stream.substr(from, cut - from)), from = cut;
    t.Feed(stream.substr(from));
    const int64_t end = t.f.clock.Ms();
    t.f.timers.Advance(600);
    std::string o;
    for (auto& b : t.f.port.sent)
        o += std::to_string(b.byte) + "@" + std::to_string(b.atMs - end) + " ";
    for (auto& d : t.f.view.device)
        o += d + "|";
    const std::string file = testutil::ReadFile(t.folder.File("Test.FAR"));
    for (const char* line : {"VertAbbSx=A\r\n", "Esito=#A\r\n", "Marca=LUXOMETRA\r\n"})
        o += file.find(line) != std::string::npos ? "+" : "-";
    return o + std::to_string(t.f.messages.shown.size()) +
           t.Text(t.f.view.panels[Panel::PortaCOM]) + std::to_string(t.st.bDeviceOnline) +
           std::to_string(t.st.bTestArmed);
}

// Whole, byte by byte, and split once just before, at and after every STX
// and ETX and half way through each frame.
TEST(Link, WholeByteByByteAndSplitsAtTheFrameEdgesGiveTheSameOutcome) {
    // ACK (start), ACK (results), ACK (other status), NAK 0.5 s after the
    // bad frame; one message (delivered); signed off at the end.
    const std::string expected = "6@0 6@0 6@0 21@500 ||||||+++1#33100", stream = SessionStream();
    EXPECT_EQ(RunSession({}), expected);
    std::vector<size_t> every, cuts;
    for (size_t i = 1; i < stream.size(); ++i)
        every.push_back(i);
    EXPECT_EQ(RunSession(every), expected);
    for (size_t i = 0, from = 0; i < stream.size(); ++i) {
        if (stream[i] == '\x02')
            from = i;
        if (stream[i] == '\x02' || stream[i] == '\x03')
            cuts.insert(cuts.end(), {i, i + 1, i + 2, (from + i) / 2});
    }
    for (size_t cut : cuts)
        if (cut > 0 && cut < stream.size())
            ASSERT_EQ(RunSession({cut}), expected) << "split at " << cut;
}

// A frame that arrives while an earlier frame's message is open is handled
// at once, and the bytes after it keep their order.
TEST(Link, FramesArrivingUnderAnOpenMessageKeepTheirOrder) {
    Link t;
    t.GoMeasuring();
    const std::string other = Wire(FixedStatus('6'));
    t.f.messages.whileOpen = [&] { t.Feed(other.substr(20) + Wire(FixedStatus('5'))); };
    t.Feed(Wire(SeparatedFrame({.code = "4"})) + other.substr(0, 20));
    EXPECT_EQ(t.Sent(), "\x06\x06\x06");
}

TEST(Link, NakComesExactlyHalfASecondAfterTheBadFrame) {
    Link t;
    t.GoOnline();
    t.f.timers.Advance(123);
    const int64_t at = t.f.clock.Ms();
    t.Feed(BadFrame() + kEtx);
    t.f.timers.Advance(499);
    EXPECT_EQ(t.Sent(), "");
    t.f.timers.Advance(5001);
    ASSERT_EQ(t.Sent(), "\x15");
    EXPECT_EQ(t.f.port.sent[0].atMs, at + 500);
}

// Bad frames in a row, each given 0.5 s, with frames between them: b bad,
// i identity, o other status, s armed start, r results, 3 sign-off then
// identity; m bad while two more bad ones come under its message; S
// searching; q bad while the program closes; c bad with the port closed;
// e a connection attempt's ENQ. The wire: N NAK, A ACK, E ENQ, ! the
// message instead (fourth in a row).
TEST(Link, TheFourthBadFrameInARowGetsTheMessageInsteadOfANak) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"bbbb", "NNN!"},         {"bbbbb", "NNN!N"},       {"bioobbb", "NAANN!"},
        {"bbbsb", "NNNAN"},       {"bbsbbrbb", "NNANNANN"}, {"bbb3bbbb", "NNNNNN!"},
        {"bbbmbbbb", "NNN!NNN!"}, {"Sbbbbbiqcb", "N"},      {"qqqq", "!"},
        {"bbbebbb", "NNNENNN"}};
    const std::string bad = BadFrame() + kEtx;
    const std::map<char, std::string> frames{
        {'i', Wire(FixedIdentity(true))},
        {'o', Wire(FixedStatus('5'))},
        {'s', Wire(FixedStatus('1'))},
        {'r', Wire(FixedResults(true))},
        {'3', Wire(FixedStatus('3')) + Wire(FixedIdentity(true))}};
    for (auto& [events, wire] : rows) {
        Link t;
        t.GoOnline();
        t.st.bTestArmed = true;
        // Only message 362 counts here (a delivered result has its own).
        auto stops = [&] {
            return std::count_if(
                t.f.messages.shown.begin(), t.f.messages.shown.end(), [&](const ShownMessage& m) {
                    return t.Text(m.text) + t.Text(m.title) + std::to_string(m.style) ==
                           "#362#36116";
                });
        };
        for (char e : events) {
            const auto shown = stops();
            if (e == 'm')
                t.f.messages.whileOpen = [&] {
                    t.Feed(bad + bad);
                    t.f.timers.Advance(1000);
                };
            if (e == 'b' || e == 'm' || e == 'q' || e == 'c')
                t.Feed(bad);
            if (frames.count(e))
                t.Feed(frames.at(e));
            if (e == 'S')
                t.st.bDeviceSearch = true;
            if (e == 'e')
                CarryOut(t.s, t.f.link.PollDevice(false));
            if (e == 'q')
                t.f.timers.Advance(200), t.st.bQuitQuery = true, t.f.timers.Advance(1000),
                                         t.st.bQuitQuery = false;
            if (e == 'c')
                t.f.port.Close(), t.f.timers.Advance(1000), t.f.port.Open(3);
            t.f.timers.Advance(500);
            if (stops() > shown)
                t.f.port.sent.push_back({'!', 0});
        }
        std::string got;
        for (auto& b : t.f.port.sent)
            got += b.byte == kNAK   ? 'N'
                   : b.byte == kACK ? 'A'
                   : b.byte == kENQ ? 'E'
                                    : char(b.byte);
        EXPECT_EQ(got, wire) << events;
    }
}

// While a close is pending every port event (bytes, a disconnect notice,
// also while quitting) starts the close timer: 0.1 s, then the unload.
TEST(Link, CloseTimerStartsAfterEveryPortEventWhileACloseIsPending) {
    Link t;
    auto due = [&] {
        return t.f.timers.IsRunning(kTimerClose) ? t.f.timers.DueAt(kTimerClose) - t.f.clock.Ms()
                                                 : -1;
    };
    t.Feed("x");
    EXPECT_EQ(due(), -1);
    t.st.bClosePending = true;
    t.Feed("no frame at all");
    EXPECT_EQ(due(), 100);
    t.f.timers.Advance(99);
    EXPECT_FALSE(t.f.view.unloaded);
    t.f.timers.Advance(1);
    EXPECT_TRUE(t.f.view.unloaded);
    for (bool quitting : {false, true}) {
        t.st.bQuitQuery = quitting;
        OnSerialDisconnect(t.s);
        EXPECT_EQ(due(), 100) << quitting;
        t.f.timers.StopTimer(kTimerClose);
    }
}

// A lost line: the port closed, the partial frame and the pending NAK
// dropped, the window reset and the search on again (the next attempt
// opens the port one second later, ENQ half a second after that); while
// closing, only the port is closed.
TEST(Link, DisconnectClosesThePortDropsThePendingNakAndSearchesAgain) {
    Link t;
    t.GoMeasuring();
    t.Feed(BadFrame() + kEtx + Wire(FixedStatus('5')).substr(0, 10));
    EXPECT_EQ(t.Words(t.f.link.PortLost()), "close t3- " + kResetWords);
    t.f.link.ReceiveBytes(Wire(FixedStatus('5')).substr(10));
    std::string frame;
    EXPECT_FALSE(t.f.link.NextFrame(frame));
    t.GoMeasuring();
    t.Feed(BadFrame() + kEtx);
    OnSerialDisconnect(t.s);
    EXPECT_FALSE(t.f.port.IsOpen() || t.st.bTestArmed);
    t.f.timers.Advance(1499);
    EXPECT_EQ(t.Sent(), "");
    EXPECT_EQ(t.f.port.opened, std::vector<int>{3});
    t.f.timers.Advance(1);
    EXPECT_EQ(t.Sent(), "\x05");
    t.st.bQuitQuery = true;
    EXPECT_EQ(t.Words(t.f.link.PortLost()), "close t3-");
}

// Timer 1's connection attempt on virtual time: close, 0.5 s, open, 0.5 s,
// ENQ, and the re-arm once the attempt is over.
// Start-up with the search on and timer 1 running; `during` runs at atMs.
// The outcome: ENQ, open and close times (ms), timer 1 armed at the end,
// searching, an attempt running, the port panel, the messages.
std::string Timeline(Link& t, int64_t untilMs, int64_t atMs = -1,
                     const std::function<void(Link&)>& during = {}) {
    t.st.bDeviceSearch = true;
    t.f.timers.StartTimer(kTimerPoll, 1000);
    const int64_t t0 = t.f.clock.Ms();
    std::string opens, closes, enq;
    bool wasOpen = false;
    for (int64_t ms = 0; ms <= untilMs; ms += 50) {
        if (ms > 0)
            t.f.timers.Advance(50);
        if (ms == atMs && during)
            during(t);
        if (t.f.port.IsOpen() != wasOpen)
            (wasOpen ? closes : opens) += std::to_string(ms) + ",";
        wasOpen = t.f.port.IsOpen();
    }
    for (auto& b : t.f.port.sent)
        if (b.byte == kENQ)
            enq += std::to_string(b.atMs - t0) + ",";
    std::string out =
        "E" + enq + " O" + opens + " C" + closes + " " +
        (t.f.timers.IsRunning(kTimerPoll) ? "armed" : "-") + (t.st.bDeviceSearch ? " S" : " -") +
        (t.f.link.PollDeviceRunning() ? "R " : "- ") + t.Text(t.f.view.panels[Panel::PortaCOM]);
    for (int port : t.f.port.opened)
        out += " " + std::to_string(port);
    for (auto& m : t.f.messages.shown)
        out += " msg" + t.Text(m.text) + t.Text(m.title) + std::to_string(m.style);
    return out;
}

TEST(PollDevice, EachAttemptAndWhatEndsIt) {
    const std::string identity = Wire(FixedIdentity(true));
    using Act = std::function<void(Link&)>;
    const Act feed = [&](Link&t) { t.Feed(identity); },
              quit = [](Link&t) { t.st.bQuitQuery = true; };
    const struct Row {
        const char* what;
        Act setup;
        int64_t until, at;
        Act during;
        std::string outcome;
    } rows[] = {
        {"nobody answers", nullptr, 7500, -1, nullptr,
         "E1500,3500,5500,7500, O1000,3000,5000,7000, C2500,4500,6500, armed S-  3 3 3 3"},
        {"port 1", [](Link& t) { t.st.iSerialPort = 1; }, 1500, -1, nullptr,
         "E1500, O1000, C armed S-  1"},
        {"no port configured", [](Link& t) { t.st.iSerialPort = 0; }, 4000, -1, nullptr,
         "E O C armed S- #330"},
        {"answered after the ENQ", nullptr, 10000, 1600, feed, "E1500, O1000, C - -- #332+3 3"},
        {"answered inside the waits: that ENQ still goes", nullptr, 10000, 1200, feed,
         "E1500, O1000, C - -- #332+3 3"},
        // While the second question is open the port comes free: the third try works.
        {"open fails: Yes, Yes retries the same port",
         [](Link& t) {
             t.f.port.openFails = true, t.f.messages.answers = {kAnswerYes, kAnswerYes};
             t.f.messages.whileOpen = [&t] {
                 t.f.messages.whileOpen = [&t] { t.f.port.openFails = false; };
             };
         },
         1500, -1, nullptr, "E1500, O1000, C armed S-  3 msg#366#36520 msg#366#36520"},
        {"open fails: No stops the search",
         [](Link& t) { t.f.port.openFails = true, t.f.messages.answers = {kAnswerNo}; }, 5000, -1,
         nullptr, "E O C - --  msg#366#36520"},
        {"quit while the open port waits", nullptr, 5000, 1200, quit, "E O1000, C - S-  3"},
        {"quit while the closed port waits", nullptr, 5000, 2600, quit,
         "E1500, O1000, C2500, - S-  3"},
        {"the search switched off before the tick", nullptr, 5000, 0,
         [](Link& t) { t.st.bDeviceSearch = false; }, "E O C - -- "},
        {"the options dialog takes the port half way", nullptr, 5000, 1200,
         [](Link& t) { OptionsDialogOpening(t.s); }, "E O1000, C1200, - S- #331 3"},
        {"a second call while running does nothing", nullptr, 1500, 1000,
         [](Link& t) {
             EXPECT_TRUE(t.f.link.PollDeviceRunning());
             EXPECT_EQ(t.Words(t.f.link.PollDevice(true)), "");
         },
         "E1500, O1000, C armed S-  3"},
        {"sign-off: polling again two seconds later", nullptr, 8000, 1600,
         [&](Link& t) { t.Feed(identity), t.Feed(Wire(FixedStatus('3'))); },
         "E1500,3600,5600,7600, O1000,3100,5100,7100, C2600,4600,6600, armed S- #331 3 3 3 3"},
        {"the options dialog opens and closes", nullptr, 4000, 1600,
         [&](Link& t) {
             t.Feed(identity);
             OptionsDialogOpening(t.s);
             EXPECT_EQ(t.f.view.device, (std::array<std::string, 6>{}));
             OptionsDialogClosed(t.s);
         },
         "E1500,3100, O1000,2600, C1600, armed S- #331 3 3"},
    };
    for (const Row& row : rows) {
        Link t;
        if (row.setup)
            row.setup(t);
        EXPECT_EQ(Timeline(t, row.until, row.at, row.during), row.outcome) << row.what;
    }
}

// The port scan on virtual time, against simulated devices on COM1..COM16:
// the bytes each port received and when, the port found, the label and the
// confirm button at the end.
constexpr int kReplyMs = 20; // the devices answer 20 ms after ENQ

// comDummy over a table of devices: each answers its n-th ENQ with the n-th
// letter of its script (the last one repeats): g a good identity frame, b
// one with a bad checksum, o a good frame of class "XYZ", s a good one a
// byte at a time, . nothing. A port without a device cannot be opened.
// Answers are queued and taken by the test loop once due, as the reader
// thread's chunks would be.
struct DevicePort : SerialPort {
    DevicePort(FakeClock& clock, std::map<int, std::string> devices)
        : devices_(std::move(devices)), clock_(clock) {}
    bool Open(int p) override {
        return !open_ && devices_.count(p) && (opened.push_back(open_ = p), true);
    }
    void Close() override { open_ = 0; }
    bool IsOpen() const override { return open_ != 0; }
    int OutBufferCount() override { return 0; }
    bool Send(uint8_t b) override {
        if (!open_)
            return false;
        sent[open_] += static_cast<char>(b);
        if (b == kACK)
            ackAtMs = clock_.Ms();
        const std::string& script = devices_[open_];
        const char kind =
            b != kENQ ? '.' : script[std::min<size_t>(enqs_[open_]++, script.size() - 1)];
        std::string good = Wire(FixedIdentity(true)), bad = good,
                    other = Wire(kStx + "XYZ" + FixedIdentity(true).substr(4));
        bad[bad.size() - 2] ^= 1;
        const std::string reply = kind == 'g' || kind == 's' ? good
                                  : kind == 'b'              ? bad
                                  : kind == 'o'              ? other
                                                             : "";
        const size_t step = kind == 's' ? 1 : reply.size();
        for (size_t i = 0; i < reply.size(); i += step)
            pending_.push_back({clock_.Ms() + kReplyMs, open_, reply.substr(i, step)});
        return true;
    }
    // Chunks due now, for the port that is open now.
    std::vector<std::string> TakeDue() {
        std::vector<std::string> due;
        for (; !pending_.empty() && pending_.front().atMs <= clock_.Ms(); pending_.pop_front())
            if (pending_.front().port == open_)
                due.push_back(pending_.front().bytes);
        return due;
    }
    struct Chunk {
        int64_t atMs;
        int port;
        std::string bytes;
    };
    std::vector<int> opened;
    std::map<int, std::string> sent, devices_;
    int64_t ackAtMs = -1;
    FakeClock& clock_;
    std::map<int, size_t> enqs_;
    std::deque<Chunk> pending_;
    int open_ = 0;
};

// The scan against the devices; the dialog's label and buttons as plain values.
struct Scan : ScanView {
    void SetPortLabel(const std::string& t) override { label = t; }
    void EnableScanControls(bool e) override { controls = e; }
    bool ConfirmEnabled() override { return confirm; }
    void EnableConfirm(bool e) override { confirm = e; }
    explicit Scan(std::map<int, std::string> devices) : port{clock, std::move(devices)} {
        st.LanguageIni.SetIniFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini");
        timers.onTimer = [this](int id) { scan.OnTimer(id); };
    }
    // Runs virtual time in 1 ms steps, delivering the devices' answers.
    void RunUntilDone(int64_t limitMs) {
        while (scan.Running() && clock.Ms() < limitMs) {
            timers.Advance(1);
            for (const std::string& chunk : port.TakeDue())
                scan.OnBytes(chunk.data(), chunk.size());
        }
    }
    std::string label;
    bool controls = true, confirm = false;
    AppState st;
    FakeClock clock;
    FakeTimers timers{clock};
    DevicePort port;
    PortScan scan{st, port, timers, *this};
};

const std::string E(1, '\x05'), A(1, '\x06'), N(1, '\x15');

TEST(PortScan, FindsTheTesterWithTheRightBytesAndTime) {
    constexpr int64_t R = 500 + kReplyMs; // a port's ENQ and its answer
    // found: iScanPort; wire: the bytes each opened port received; endMs: when the scan ended.
    const struct Row {
        const char* what;
        std::map<int, std::string> devices;
        bool confirmBefore;
        int found;
        std::map<int, std::string> wire;
        int64_t endMs;
    } rows[] = {
        {"tester on COM3 behind two silent ports",
         {{1, "."}, {2, "."}, {3, "g"}},
         false,
         3,
         {{1, E}, {2, E}, {3, E + A}},
         2000 + R},
        {"bad checksum, then good after one NAK",
         {{1, "bg"}},
         false,
         1,
         {{1, E + N + E + A}},
         R + 1000},
        {"good only in the last NAK round",
         {{1, "bbbg"}},
         false,
         1,
         {{1, E + N + E + N + E + N + E + A}},
         R + 3000},
        {"three NAK rounds, then the next port",
         {{1, "b"}, {2, "g"}},
         false,
         2,
         {{1, E + N + E + N + E + N + E}, {2, E + A}},
         R + 3000 + R},
        {"silence in a NAK round: the next round",
         {{1, "b.g"}},
         false,
         1,
         {{1, E + N + E + N + E + A}},
         R + 2000},
        {"another class skipped without ACK",
         {{1, "o"}, {2, "g"}},
         false,
         2,
         {{1, E}, {2, E + A}},
         R + R},
        {"a frame in single bytes", {{4, "s"}}, false, 4, {{4, E + A}}, R},
        {"missing ports cost no time", {{16, "g"}}, false, 16, {{16, E + A}}, R},
        {"no tester keeps confirm enabled",
         {{2, "."}, {9, "o"}},
         true,
         0,
         {{2, E}, {9, E}},
         1000 + R},
        {"no port at all keeps confirm disabled", {}, false, 0, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Scan s(row.devices);
        s.confirm = row.confirmBefore;
        const int64_t t0 = s.clock.Ms();
        s.scan.Start();
        if (s.scan.Running())
            EXPECT_FALSE(s.controls || s.confirm);
        s.RunUntilDone(t0 + 60000);
        ASSERT_FALSE(s.scan.Running());
        EXPECT_EQ(s.clock.Ms() - t0, row.endMs);
        EXPECT_EQ(s.scan.iScanPort, row.found);
        EXPECT_EQ(s.port.sent, row.wire);
        EXPECT_TRUE(!s.port.IsOpen() && s.controls);
        EXPECT_EQ(s.port.ackAtMs - t0, row.found ? row.endMs : -1 - t0);
        EXPECT_EQ(s.label, row.found
                               ? GetLangString(s.st, scan_text::kFound) + std::to_string(row.found)
                               : GetLangString(s.st, scan_text::kNotFound));
        EXPECT_EQ(s.confirm, row.found || row.confirmBefore);
    }
}

// Closing the dialog in the middle of a scan: the port closes, nothing more
// is opened or sent, and a second scan starts from COM1 again.
TEST(PortScan, AbortClosesThePortAndStops) {
    Scan s({{1, "."}, {2, "g"}});
    s.scan.Start(), s.scan.Start(); // the second is ignored while running
    s.timers.Advance(700);
    EXPECT_EQ(s.label, GetLangString(s.st, scan_text::kTrying) + "1...");
    s.scan.Abort();
    s.timers.Advance(5000);
    EXPECT_FALSE(s.scan.Running() || s.port.IsOpen());
    EXPECT_EQ(s.port.sent, (std::map<int, std::string>{{1, E}}));
    s.scan.Start();
    EXPECT_EQ(s.port.opened, (std::vector<int>{1, 1}));
}

} // namespace
} // namespace heliotab::testing_link
