// The wire: checksum, byte-by-byte framing whatever the split of the
// stream, the NAK's timing and count, the port events, the connection
// attempts and the port scan, all on virtual time.

#include "device/FrameAssembler.h"
#include "device/PortScan.h"
#include "device/LinkFixture.h"
#include "dialogs/frmOpzioni.h"

namespace heliotab::testing_link {
namespace {

TEST(FrameChecksum, SumsPositionsTwoToNMinusTwoIntoTwoUpperCaseHexDigits) {
    // 'a' + 'b' + 'c' = 0x126; bytes above 127 count as bytes; sums beyond
    // 32767 keep their low byte (48800 = 0xBEA0).
    const std::pair<std::string, std::string> rows[] = {
        {"\x02"
         "abc??",
         "26"},
        {"\x7F"
         "abc\xFF\xFF",
         "26"},
        {"\x02\xFA\x01??", "FB"},
        {"\x02\x0A??", "0A"},
        {"", "00"},
        {"\x02"
         "AB",
         "00"},
        {"\x02"
         "ZAB",
         "5A"},
        {"\x02" + std::string(400, 'z') + "??", "A0"}};
    for (auto& [frame, sum] : rows)
        EXPECT_EQ(FrameChecksum(frame), sum) << frame.size();
}

TEST(Link, FramesRunFromStxToTheNextEtxAndNothingElseIsAFrame) {
    // A NUL stays in the frame; a frame at the bound is kept, one past it
    // is dropped and the next STX starts again.
    const std::string big = "\x02" + std::string(FrameAssembler::kMaxFrame - 1, 'x');
    const std::pair<std::string, std::vector<std::string>> rows[] = {{std::string("noise\x03\x02"
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
// sign-off) fed in pieces cut at the given places.
Seen RunSession(const std::string& stream, const std::vector<size_t>& cuts) {
    Link t;
    t.GoOnline();
    t.st.bTestArmed = true;
    size_t from = 0;
    for (size_t cut : cuts) {
        t.Feed(stream.substr(from, cut - from));
        from = cut;
    }
    t.Feed(stream.substr(from));
    t.f.timers.Advance(600);
    return t.Look();
}

// Whole and byte by byte: every frame edge falls between two pieces.
TEST(Link, WholeAndByteByByteGiveTheSameOutcome) {
    const std::string stream = Wire(FixedIdentity(false)) + "garbage" + Wire(FixedStatus('1')) +
                               Wire(SeparatedFrame({})) + Wire(FixedStatus('7')) +
                               "\x02"
                               "FARbad\x03" +
                               Wire(FixedStatus('3'));
    // ACK the start, the results and the other status; NAK the bad frame
    // 0.5 s later; the delivery's message; signed off at the end. Both
    // identities and the delivery focus the combo.
    const Seen want{.stato = Lang(kStateSignedOff),
                    .porta = Lang(kPortSearching),
                    .fermaOn = false,
                    .searching = true,
                    .comboFocus = 3,
                    .wire = {{kACK, 0}, {kACK, 0}, {kACK, 0}, {kNAK, 500}},
                    .messages = 1,
                    .pollArmed = true,
                    .spentMs = 600};
    EXPECT_EQ(RunSession(stream, {}), want);
    std::vector<size_t> every;
    for (size_t i = 1; i < stream.size(); ++i)
        every.push_back(i);
    EXPECT_EQ(RunSession(stream, every), want);
}

// A frame that arrives while an earlier frame's message is open is handled
// at once, and the bytes after it keep their order.
TEST(Link, FramesArrivingUnderAnOpenMessageKeepTheirOrder) {
    Link t;
    t.GoMeasuring();
    const std::string other = Wire(FixedStatus('6'));
    t.f.messages.whileOpen = [&] { t.Feed(other.substr(20) + Wire(FixedStatus('5'))); };
    t.Feed(Wire(SeparatedFrame({.code = "4"})) + other.substr(0, 20));
    EXPECT_EQ(t.f.port.SentBytes(), "\x06\x06\x06");
}

// A step that feeds these bytes.
Step Feed(const std::string& bytes) {
    return [bytes](Link& t) { t.Feed(bytes); };
}

// Bad frames in a row, with other events between them: the wire, and how
// many times message 362 came instead of the fourth NAK.
TEST(Link, TheFourthBadFrameInARowGetsTheMessageInsteadOfANak) {
    const std::string badWire = BadFrame() + kEtx;
    const Step bad = Feed(badWire), identity = Feed(Wire(FixedIdentity(true))),
               other = Feed(Wire(FixedStatus('5'))), start = Feed(Wire(FixedStatus('1'))),
               results = Feed(Wire(FixedResults(true))),
               signOffAndBack = Feed(Wire(FixedStatus('3')) + Wire(FixedIdentity(true)));
    const Step twoMoreUnderTheMessage = [&](Link& t) {
        t.f.messages.whileOpen = [&t, &badWire] {
            t.Feed(badWire + badWire);
            t.f.timers.Advance(1000);
        };
    };
    const Step search = [](Link& t) { t.st.bDeviceSearch = true; };
    const Step badWhileQuitting = [&](Link& t) {
        t.Feed(badWire);
        t.f.timers.Advance(200);
        t.st.bQuitQuery = true;
        t.f.timers.Advance(1000);
        t.st.bQuitQuery = false;
    };
    const Step badOnAClosedPort = [&](Link& t) {
        t.Feed(badWire);
        t.f.port.Close();
        t.f.timers.Advance(1000);
        t.f.port.Open(3);
    };
    const Step poll = [](Link& t) { CarryOut(t.s, t.f.link.PollDevice(false)); };
    const struct Row {
        std::vector<Step> events;
        std::string wire;
        int messages;
    } rows[] = {
        {{bad, identity, other, other, bad, bad, bad}, "\x15\x06\x06\x15\x15", 1},
        {{bad, bad, start, bad, bad, results, bad, bad}, "\x15\x15\x06\x15\x15\x06\x15\x15", 0},
        {{bad, bad, bad, signOffAndBack, bad, bad, bad, bad}, "\x15\x15\x15\x15\x15\x15", 1},
        {{bad, bad, bad, twoMoreUnderTheMessage, bad, bad, bad, bad, bad},
         "\x15\x15\x15\x15\x15\x15",
         2},
        {{search, bad, bad, bad, bad, bad, identity, badWhileQuitting, badOnAClosedPort, bad},
         "\x15",
         0},
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
        EXPECT_EQ(t.f.port.SentBytes(), row.wire) << row.events.size();
        const auto badFrameMessages =
            std::count_if(t.f.messages.shown.begin(), t.f.messages.shown.end(),
                          [](const ShownMessage& m) { return m.title == Lang(kBadFramesTitle); });
        EXPECT_EQ(badFrameMessages, row.messages) << row.events.size();
    }
}

// While a close is pending every port event (bytes, a disconnect notice,
// also while quitting) starts the close timer: 0.1 s, then the unload.
TEST(Link, CloseTimerStartsAfterEveryPortEventWhileACloseIsPending) {
    Link t;
    t.Feed("x");
    EXPECT_FALSE(t.f.timers.IsRunning(kTimerClose));
    t.st.bClosePending = true;
    t.Feed("no frame at all");
    t.f.timers.Advance(99);
    EXPECT_FALSE(t.f.view.unloaded);
    t.f.timers.Advance(1);
    EXPECT_TRUE(t.f.view.unloaded);
    for (bool quitting : {false, true}) {
        t.st.bQuitQuery = quitting;
        OnSerialDisconnect(t.s);
        EXPECT_EQ(t.f.timers.DueAt(kTimerClose) - t.f.clock.Ms(), 100) << quitting;
        t.f.timers.StopTimer(kTimerClose);
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
    t.f.link.ReceiveBytes(Wire(FixedStatus('5')).substr(10));
    std::string frame;
    EXPECT_FALSE(t.f.link.NextFrame(frame));
    t.st.bQuitQuery = true;
    EXPECT_THAT(t.f.link.PortLost(), ElementsAre(ClosePort{}, StopTimer{kTimerNakDelay}));
}

// Timer 1's connection attempts on virtual time, seen every 50 ms from a
// start-up with the search on: when the port opened and closed, the ENQs.
Seen Attempts(Link& t, int64_t untilMs, int64_t atMs, const Step& during) {
    t.st.bDeviceSearch = true;
    t.f.timers.StartTimer(kTimerPoll, 1000);
    std::vector<int64_t> opened, closed;
    bool wasOpen = false;
    for (int64_t ms = 0; ms <= untilMs; ms += 50) {
        if (ms > 0)
            t.f.timers.Advance(50);
        if (ms == atMs)
            during(t);
        if (t.f.port.IsOpen() != wasOpen)
            (wasOpen ? closed : opened).push_back(ms);
        wasOpen = t.f.port.IsOpen();
    }
    Seen seen = t.Look();
    seen.opened = opened;
    seen.closed = closed;
    return seen;
}

TEST(PollDevice, EachAttemptAndWhatEndsIt) {
    const Step none = [](Link&) {};
    const Step identity = Feed(Wire(FixedIdentity(true)));
    const Step quit = [](Link& t) { t.st.bQuitQuery = true; };
    const std::string online = Lang(kPortOnline, "3"), searching = Lang(kPortSearching);
    const struct Row {
        const char* what;
        Step setup;
        int64_t until, at;
        Step during;
        Seen want;
    } rows[] = {
        {"nobody answers",
         none,
         7500,
         -1,
         none,
         {.searching = true,
          .wire = Enqs({1500, 3500, 5500, 7500}),
          .pollArmed = true,
          .spentMs = 7500,
          .opened = {1000, 3000, 5000, 7000},
          .closed = {2500, 4500, 6500}}},
        {"no port configured",
         [](Link& t) { t.st.iSerialPort = 0; },
         4000,
         -1,
         none,
         {.porta = Lang(kPortNotSet), .searching = true, .pollArmed = true, .spentMs = 4000}},
        // Timer 1 ticks while online and does nothing.
        {"answered after the ENQ",
         none,
         10000,
         1600,
         identity,
         {.porta = online,
          .marca = "LUXOMETRA",
          .online = true,
          .comboFocus = 1,
          .wire = Enqs({1500}),
          .spentMs = 10000,
          .opened = {1000}}},
        // While the second question is open the port comes free: the third try works.
        {"open fails: Yes, Yes retries the same port",
         [](Link& t) {
             t.f.port.openFails = true;
             t.f.messages.answers = {kAnswerYes, kAnswerYes};
             t.f.messages.whileOpen = [&t] {
                 t.f.messages.whileOpen = [&t] { t.f.port.openFails = false; };
             };
         },
         1500,
         -1,
         none,
         {.searching = true,
          .wire = Enqs({1500}),
          .messages = 2,
          .pollArmed = true,
          .spentMs = 1500,
          .opened = {1000}}},
        {"open fails: No stops the search",
         [](Link& t) {
             t.f.port.openFails = true;
             t.f.messages.answers = {kAnswerNo};
         },
         5000,
         -1,
         none,
         {.messages = 1, .spentMs = 5000}},
        {"quit while the open port waits",
         none,
         5000,
         1200,
         quit,
         {.searching = true, .quit = true, .spentMs = 5000, .opened = {1000}}},
        {"quit while the closed port waits",
         none,
         5000,
         2600,
         quit,
         {.searching = true,
          .quit = true,
          .wire = Enqs({1500}),
          .spentMs = 5000,
          .opened = {1000},
          .closed = {2500}}},
        {"the search switched off before the tick",
         none,
         5000,
         0,
         [](Link& t) { t.st.bDeviceSearch = false; },
         {.spentMs = 5000}},
        {"the options dialog takes the port half way",
         none,
         5000,
         1200,
         [](Link& t) { OptionsDialogOpening(t.s); },
         {.porta = searching,
          .searching = true,
          .spentMs = 5000,
          .opened = {1000},
          .closed = {1200}}},
        {"the options dialog opens and closes",
         none,
         4000,
         1600,
         [](Link& t) {
             t.Feed(Wire(FixedIdentity(true)));
             OptionsDialogOpening(t.s);
             OptionsDialogClosed(t.s);
         },
         {.porta = searching,
          .searching = true,
          .comboFocus = 1,
          .wire = Enqs({1500, 3100}),
          .pollArmed = true,
          .spentMs = 4000,
          .opened = {1000, 2600},
          .closed = {1600}}},
    };
    for (const Row& row : rows) {
        Link t;
        row.setup(t);
        EXPECT_EQ(Attempts(t, row.until, row.at, row.during), row.want) << row.what;
    }
}

// The port scan on virtual time against simulated devices on COM1..COM16:
// each answers its n-th ENQ 20 ms later by the n-th entry of its script
// (the last one repeats); a port without a device cannot be opened.
enum Reply { kGood, kBad, kOther, kByteByByte, kSilent };
constexpr int kReplyMs = 20;

struct DevicePort : SerialPort {
    DevicePort(FakeClock& c, std::map<int, std::vector<Reply>> d) : clock(c), devices(d) {}
    bool Open(int p) override {
        return !open_ && devices.count(p) && (opened.push_back(open_ = p), true);
    }
    void Close() override { open_ = 0; }
    bool IsOpen() const override { return open_ != 0; }
    int OutBufferCount() override { return 0; }
    bool Send(uint8_t b) override {
        sent[open_] += static_cast<char>(b);
        if (b != kENQ)
            return true;
        const std::vector<Reply>& script = devices[open_];
        const Reply r = script[std::min<size_t>(enqs[open_]++, script.size() - 1)];
        const std::string replies[] = {Wire(FixedStatus('0')), BadFrame() + kEtx,
                                       Wire(kStx + "XYZ"), Wire(FixedStatus('0')), ""};
        const std::string& reply = replies[r];
        const size_t step = r == kByteByByte ? 1 : reply.size();
        for (size_t i = 0; i < reply.size(); i += step)
            pending.push_back({clock.Ms() + kReplyMs, open_, reply.substr(i, step)});
        return true;
    }
    struct Chunk {
        int64_t atMs;
        int port;
        std::string bytes;
    };
    FakeClock& clock;
    std::map<int, std::vector<Reply>> devices;
    std::map<int, std::string> sent;
    std::vector<int> opened;
    std::map<int, size_t> enqs;
    std::deque<Chunk> pending;
    int open_ = 0;
};

struct Scan : ScanView {
    void SetPortLabel(const std::string& t) override { label = t; }
    void EnableScanControls(bool e) override { controls = e; }
    void EnableConfirm(bool e) override { confirm = e; }
    explicit Scan(std::map<int, std::vector<Reply>> devices) : port{clock, devices} {
        st.LanguageIni.SetIniFile(HELIOTAB_SOURCE_DIR "/data/Language.ini");
        timers.onTimer = [this](int id) { CarryOutScan(side, scan.OnTimer(id)); };
    }
    // Runs virtual time in 1 ms steps, delivering the devices' answers
    // to the port that is open when they are due.
    void RunUntilDone(int64_t limitMs) {
        while (scan.Running() && clock.Ms() < limitMs) {
            timers.Advance(1);
            for (; !port.pending.empty() && port.pending.front().atMs <= clock.Ms();
                 port.pending.pop_front())
                if (port.pending.front().port == port.open_)
                    CarryOutScan(side, scan.OnBytes(port.pending.front().bytes));
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
    constexpr int64_t R = 500 + kReplyMs; // a port's ENQ and its answer
    const struct Row {
        const char* what;
        std::map<int, std::vector<Reply>> devices;
        bool confirmBefore;
        int found;
        std::map<int, std::string> wire; // what each opened port received
        int64_t endMs;
    } rows[] = {
        // Silence, another class, three NAK rounds without a good frame,
        // then a good frame in the second NAK round after a silent one.
        {"the tester on COM4",
         {{1, {kSilent}}, {2, {kOther}}, {3, {kBad}}, {4, {kBad, kSilent, kGood}}},
         false,
         4,
         {{1, E}, {2, E}, {3, E + N + E + N + E + N + E}, {4, E + N + E + N + E + A}},
         1000 + R + (R + 3000) + (R + 2000)},
        {"missing ports cost no time; a frame in single bytes",
         {{16, {kByteByByte}}},
         false,
         16,
         {{16, E + A}},
         R},
        {"no tester keeps confirm enabled", {{2, {kSilent}}}, true, 0, {{2, E}}, 1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Scan s(row.devices);
        s.confirm = row.confirmBefore;
        const int64_t t0 = s.clock.Ms();
        CarryOutScan(s.side, s.scan.Start(s.confirm));
        EXPECT_EQ(s.controls, !s.scan.Running());
        s.RunUntilDone(t0 + 60000);
        ASSERT_FALSE(s.scan.Running());
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

// Closing the dialog in the middle of a scan: the port closes, nothing more
// is opened or sent, and a second scan starts from COM1 again.
TEST(PortScan, AbortClosesThePortAndStops) {
    Scan s({{1, {kSilent}}, {2, {kGood}}});
    CarryOutScan(s.side, s.scan.Start(false));
    EXPECT_THAT(s.scan.Start(false), ElementsAre());
    EXPECT_FALSE(s.confirm || s.controls);
    s.timers.Advance(700);
    EXPECT_EQ(s.label, Lang(scan_text::kTrying, "1..."));
    CarryOutScan(s.side, s.scan.Abort());
    EXPECT_THAT(s.scan.Abort(), ElementsAre());
    s.timers.Advance(5000);
    EXPECT_FALSE(s.scan.Running() || s.port.IsOpen());
    EXPECT_EQ(s.port.sent, (std::map<int, std::string>{{1, E}}));
    CarryOutScan(s.side, s.scan.Start(false));
    EXPECT_EQ(s.port.opened, (std::vector<int>{1, 1}));
}

} // namespace
} // namespace heliotab::testing_link
