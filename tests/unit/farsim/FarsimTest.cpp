// The tester simulator's protocol: the frames it builds, the faults it puts
// on the wire, its scenario and command-line parsing, and its replies driven
// with virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "farsim/Faults.h"
#include "farsim/Options.h"
#include "farsim/Simulator.h"
#include "fakes/TempDir.h"

using namespace heliotab::farsim;

namespace {

Identity SampleIdentity() {
    Identity id;
    id.make = "ACME", id.model = "HL-5", id.approval = "OM1234", id.serial = "0042", id.version = "1.20";
    id.expiry = "05122026";
    return id;
}
Results SampleResults() {
    Results r;
    r.aim = {"R", "R", "A", "R", "I", "R", "R", "A"}, r.lux = {"3.75", "90.01", "20", "150"};
    r.height = "085", r.type = "A", r.config = "1";
    return r;
}
std::string Frame(char status, Layout l = Layout::Short) { return BuildFrame(l, status, Identity{}, Results{}); }

// Runs the simulator on a virtual clock and keeps what it sent and logged.
struct Harness {
    explicit Harness(SimConfig cfg) : sim(std::move(cfg)) { sim.Start(now), Collect(); }
    void Collect() {
        for (Effect& e : sim.TakeEffects()) {
            std::string all;
            for (const Chunk& c : e.chunks) all += c.bytes;
            if (e.kind == Effect::Kind::Send) sent.push_back(all);
            if (e.kind == Effect::Kind::Event) events += e.text + "\n";
            if (e.kind == Effect::Kind::HangUp) ++hangUps;
            if (e.kind == Effect::Kind::Exit) exitCode = e.exitCode;
        }
    }
    void Advance(double ms) {  // each deadline runs at its own time
        const double target = now + ms;
        for (auto d = sim.NextDeadline(); d && *d <= target; d = sim.NextDeadline()) sim.OnTime(now = std::max(now, *d)), Collect();
        sim.OnTime(now = target), Collect();
    }
    Harness& Rx(std::initializer_list<unsigned char> bytes) {
        for (unsigned char b : bytes) sim.OnByte(b, now), Collect();
        return *this;
    }
    bool Logged(const std::string& text) const { return events.find(text) != std::string::npos; }
    char Status(size_t i) const { return sent.at(i)[sent[i].size() - 1 == 57 || sent[i].size() - 1 == 94 ? 54 : 76]; }
    Simulator sim;
    double now = 0;
    std::vector<std::string> sent;
    std::string events;
    int hangUps = 0, exitCode = -1;
};

SimConfig Auto() {
    SimConfig c;
    c.measureAfterMs = 500, c.resultAfterMs = 300, c.answerTimeoutMs = 2000, c.quietWindowMs = 1000;
    return c;
}

}  // namespace

TEST(Farsim, FramesByteForByte) {
    for (const auto& [text, sum] : {std::pair<std::string, const char*>{"abc", "26"}, {"", "00"}, {"\xFF\x01", "00"},
                                    {"\xFA", "FA"}, {std::string("A\0B", 3), "83"}})
        EXPECT_EQ(ChecksumOf(text), sum) << text;  // low byte of the sum, upper-case hex, NULs count
    Identity longId = SampleIdentity();
    longId.model = "HL-5 LONG MODEL", longId.approval = "OM1234/2020", longId.version = "1.2A";
    const std::string shortHead = "FAR01ACME      HL-5      OM1234      00421.2005122026";
    const std::string longHead = "FAR01ACME      HL-5 LONG MODEL     OM1234/2020             00421.2A05122026";
    const std::string block = "RRARIRRA  3.75 90.01    20   150085A ";
    const std::tuple<Layout, char, std::string, int> rows[] = {
        {Layout::Short, '0', shortHead + "035", kShortIdentityLen}, {Layout::Long, '0', longHead + "0DA", kLongIdentityLen},
        {Layout::Short, '2', shortHead + "2" + block + "97", kShortResultsLen},
        {Layout::Long, '2', longHead + "2" + block + "3C", kLongResultsLen},
        {Layout::Short, '5', shortHead + "53A", 57}, {Layout::Long, '3', longHead + "3DD", 79},
    };
    for (const auto& [layout, status, body, length] : rows) {
        const std::string f = BuildFrame(layout, status, layout == Layout::Long ? longId : SampleIdentity(),
                                         status == '2' ? SampleResults() : Results{});
        EXPECT_EQ(f, "\x02" + body + "\x03");
        EXPECT_EQ(f.size() - 1, static_cast<size_t>(length)) << body;
    }
    Results r = SampleResults();
    r.aim[0] = "R#", r.lux = {"2.0", "90", "7.5", "150"};
    static const char kSpan[] = "FAR01\0\0ACME\0HL-5\0OM1234\0" "0042\0" "1.20\0" "05122026\0" "2\0R#\0R\0A\0R\0I\0R\0R\0A\0"
                                "2.0\0" "90\0" "7.5\0" "150\0" "085\0A\0" "1\0";
    EXPECT_EQ(BuildFrame(Layout::Separated, '2', SampleIdentity(), r), "\x02" + std::string(kSpan, sizeof kSpan - 1) + "B7\x03");
    static const char kIdSpan[] = "FAR01\0\0ACME\0HL-5\0OM1234\0" "0042\0" "1.20\0" "05122026\0" "0\0";
    const std::string idSpan(kIdSpan, sizeof kIdSpan - 1);
    EXPECT_EQ(BuildFrame(Layout::Separated, '0', SampleIdentity(), {}), "\x02" + idSpan + ChecksumOf(idSpan) + "\x03");

}

TEST(Farsim, FaultsPutOnTheWireWhatTheyClaim) {
    for (Layout l : {Layout::Short, Layout::Long, Layout::Separated})
        for (char status : {'0', '1', '2', '3'})
            for (Fault fault : {Fault::None, Fault::Checksum, Fault::Lowercase, Fault::Garbage, Fault::Split, Fault::Disconnect}) {
                SCOPED_TRACE(FaultName(fault) + std::string(1, status));
                EXPECT_EQ(ParseFault(FaultName(fault)), fault);
                std::mt19937 rng(7), again(7);
                FrameRequest req;
                req.layout = l, req.status = status;
                const Transmission t = MakeTransmission(req, fault, rng);
                const std::string good = BuildFrame(l, status, Identity{}, Results{});
                std::string f;
                for (const Chunk& c : t.chunks) f += c.bytes;
                const std::string carried = f.substr(f.size() - 3, 2), due = ChecksumOf(f.substr(1, f.size() - 4));
                std::string upper = carried;
                for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                EXPECT_EQ(t.hangUpAfter, fault == Fault::Disconnect);
                EXPECT_EQ(t.frameLength, good.size() - 1);
                switch (fault) {
                case Fault::None: EXPECT_EQ(t.chunks.size(), 1u); EXPECT_EQ(f, good); break;
                case Fault::Checksum:  // only the checksum differs, well-formed upper-case hex
                case Fault::Lowercase:  // always a letter to lower: a digits-only checksum would make it a no-op
                    EXPECT_EQ(fault == Fault::Checksum ? f.substr(0, f.size() - 3) + f.back() : f.substr(0, 4) + f.back(),
                              fault == Fault::Checksum ? good.substr(0, good.size() - 3) + good.back() : "\x02" "FAR\x03");
                    EXPECT_NE(carried, due);
                    EXPECT_EQ(upper == due, fault == Fault::Lowercase);
                    EXPECT_TRUE(fault == Fault::Lowercase || (std::all_of(carried.begin(), carried.end(), ::isxdigit) && upper == carried));
                    break;
                case Fault::Garbage:  // noise alone before an intact frame, the same for the same seed
                    ASSERT_EQ(t.chunks.size(), 2u);
                    EXPECT_GE(t.chunks[0].bytes.size(), 3u);
                    EXPECT_EQ(t.chunks[0].bytes.find_first_of("\x02\x03"), std::string::npos);
                    EXPECT_EQ(t.chunks[1].bytes, good);
                    EXPECT_GT(t.chunks[1].delayBeforeMs, 0);
                    EXPECT_EQ(MakeTransmission(req, fault, again).chunks[0].bytes, t.chunks[0].bytes);
                    break;
                case Fault::Split:
                    ASSERT_EQ(t.chunks.size(), 4u);
                    EXPECT_EQ(f, good);
                    EXPECT_EQ(t.chunks.front().bytes + t.chunks.back().bytes, "\x02\x03");
                    for (size_t i = 1; i < t.chunks.size(); ++i) EXPECT_GT(t.chunks[i].delayBeforeMs, 0);
                    break;
                case Fault::Disconnect:  // stops mid-frame
                    EXPECT_GT(f.size(), 1u);
                    EXPECT_LT(f.size(), good.size() - 1);
                    EXPECT_EQ(good.compare(0, f.size(), f), 0);
                    break;
                }
            }
    EXPECT_FALSE(ParseFault("CHECKSUM").has_value());
}

TEST(Farsim, ScenarioAndCommandLine) {
    std::string error;
    const auto steps = ParseScenario("# a comment\r\nwait-enq 5000\n\n   wait 250   # settle\nfault checksum 2\n"
        "send status1\nexpect ACK 2000\nsend result lux=3.75,4,-20,150 aim=R#,R,A,R,R,R,R,I config=3 height=085 type=B\n"
        "send status 5\nsend raw 02 46 41 52 03 9f AF\nsend signoff\nexpect NONE\ndisconnect\nsend identity\n", error);
    ASSERT_TRUE(steps.has_value()) << error;
    std::string got;
    for (const Step& s : *steps)
        got += std::to_string(static_cast<int>(s.kind)) + ":" + std::to_string(s.line) + ":" + std::to_string(s.ms) + ":" +
               s.status + ":" + std::to_string(s.values.size()) + ":" + FaultName(s.fault) + std::to_string(s.count) + ":" +
               std::to_string(static_cast<int>(s.expect)) + "|";
    EXPECT_EQ(got, "1:2:5000:0:0:none1:0|0:4:250:0:0:none1:0|5:5:-1:0:0:checksum2:0|2:6:-1:1:0:none1:0|4:7:2000:0:0:none1:1|"
              "2:8:-1:2:5:none1:0|2:9:-1:5:0:none1:0|3:10:-1:0:0:none1:0|2:11:-1:3:0:none1:0|4:12:-1:0:0:none1:0|"
              "6:13:-1:0:0:none1:0|2:14:-1:0:0:none1:0|");
    EXPECT_EQ((*steps)[7].raw, "\x02" "FAR\x03\x9F\xAF");
    EXPECT_EQ((*steps)[5].values[1].second, "R#,R,A,R,R,R,R,I");  // "#" inside a word is no comment
    const std::pair<const char*, const char*> bad[] = {
        {"wait\n", "line 1: wait needs MS"}, {"\nwait -5\n", "line 2: bad milliseconds '-5'"},
        {"wait 10ms\n", "line 1: bad milliseconds '10ms'"}, {"send hello\n", "line 1: unknown frame 'hello'"},
        {"send raw 0\n", "line 1: bad hex bytes"}, {"send raw zz\n", "line 1: bad hex bytes"},
        {"send raw 0g\n", "line 1: bad hex bytes"}, {"send raw G0\n", "line 1: bad hex bytes"},
        {"send raw :0\n", "line 1: bad hex bytes"}, {"send raw /0\n", "line 1: bad hex bytes"},
        {"send raw @0\n", "line 1: bad hex bytes"}, {"send raw `0\n", "line 1: bad hex bytes"},
        {"send status 12\n", "line 1: send status C"}, {"expect ACKS\n", "line 1: unknown answer 'ACKS'"},
        {"fault noise\n", "line 1: unknown fault 'noise'"}, {"send result lux=1,2,3\n", "line 1: lux needs 4 values"},
        {"send result lux=1,2,x,4\n", "line 1: bad lux value 'x'"}, {"send result lux=1,2,,4\n", "line 1: bad lux value ''"},
        {"send result lux=1,2,3,4:\n", "line 1: bad lux value '4:'"}, {"send result lux=/,2,3,4\n", "line 1: bad lux value '/'"},
        {"send result lux=1,2,3,4,\n", "line 1: lux needs 4 values"}, {"send result aim=RRR\n", "line 1: aim needs 8 verdicts"},
        {"send result colour=red\n", "line 1: unknown result key 'colour'"},
        {"send result lux\n", "line 1: expected key=value, got 'lux'"}, {"jump 3\n", "line 1: unknown step 'jump'"},
        {"wait-enq 1 2\n", "line 1: wait-enq takes at most MS"},
    };
    for (const auto& [text, want] : bad) {
        EXPECT_FALSE(ParseScenario(text, error).has_value()) << text;
        EXPECT_EQ(error, want) << text;
    }
    EXPECT_TRUE(ParseScenario("# nothing\n\n", error)->empty());
    Results r;
    EXPECT_TRUE(ApplyResultValue(r, "lux", "0.9,-1,90,9", error) && ApplyResultValue(r, "aim", "RAIRRRRA", error));
    EXPECT_EQ(r.lux[0] + r.lux[3] + r.aim[1] + r.aim[7], "0.99AA");
    for (const char* name : {"one-test.txt", "bad-checksums.txt", "split-and-garbage.txt"}) {
        const auto shipped = ParseScenario(heliotab::testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/tools/farsim/scenarios/" + name), error);
        ASSERT_TRUE(shipped.has_value()) << name << ": " << error;
        EXPECT_EQ(shipped->front().kind, StepKind::WaitEnq) << name;
    }

    const std::pair<std::vector<std::string>, const char*> lines[] = {
        {{}, "give exactly one of --device and --pty-link"},
        {{"/dev/pts/3", "--pty-link", "x"}, "give exactly one of --device and --pty-link"},
        {{"--device"}, "--device needs a value"}, {{"a", "--layout", "wide"}, "--layout: short, long or sep"},
        {{"a", "--measure-after", "1s"}, "--measure-after: not a number: 1s"},
        {{"a", "--fault", "noise"}, "--fault: unknown fault noise"}, {{"a", "--lux", "1,2"}, "--lux: lux needs 4 values"},
        {{"a", "--make", "MUCH TOO LONG"}, "--make: value too long for the short layout"},
        {{"a", "--aim", "R#,R,R,R,R,R,R,R"}, "--aim: value too long for the short layout"},
        {{"a", "--demo", "--scenario", "s.txt"}, "--demo and --scenario exclude each other"},
        {{"a", "--class", "FARX"}, "--class: three characters"}, {{"a", "b"}, "unknown argument b"},
        {{"a", "--bogus"}, "unknown argument --bogus"},
        {{"a", "--layout", "sep", "--aim", "R#,R,R,R,R,R,R,R"}, ""},
    };
    for (const auto& [args, want] : lines) {
        error.clear();
        EXPECT_EQ(ParseOptions(args, error).has_value(), !*want) << want;
        EXPECT_EQ(error, want);
    }
    const auto o = ParseOptions({"--pty-link", "/tmp/com3", "--layout", "long", "--make", "ACME", "--version", "1.20",
        "--expiry", "05122026", "--aim", "RRRRRRRA", "--lux", "1,2,3,4", "--height", "090", "--measure-after", "250",
        "--result-after", "100", "--signoff-after", "50", "--fault", "split", "--fault-count", "3", "--seed", "42",
        "--log", "l.txt", "--stats", "--exit-after-tests", "2", "--timeout", "30", "--max-resend", "1", "--class", "XYZ",
        "--silent"}, error);
    ASSERT_TRUE(o.has_value()) << error;
    const SimConfig& c = o->sim;
    EXPECT_EQ(o->ptyLink + o->logPath + c.identity.make + c.identity.version + c.results.aim[7] + c.results.lux[3] +
                  c.results.height + c.identity.deviceClass, "/tmp/com3l.txtACME1.20A4090XYZ");
    EXPECT_EQ((std::vector<int>{static_cast<int>(c.layout), c.measureAfterMs, c.resultAfterMs, c.signoffAfterMs,
                                static_cast<int>(c.fault), c.faultCount, static_cast<int>(c.seed), c.exitAfterTests,
                                c.maxResend, o->timeoutS, c.silent, o->stats}),
              (std::vector<int>{static_cast<int>(Layout::Long), 250, 100, 50, static_cast<int>(Fault::Split), 3, 42, 2, 1, 30, 1, 1}));
}

TEST(Farsim, RepliesOnSchedule) {
    SimConfig cfg = Auto();
    cfg.exitAfterTests = 1, cfg.maxResend = 1;
    Harness h(cfg);
    h.Advance(5000);
    EXPECT_TRUE(h.sent.empty()) << "nothing before the program's ENQ";
    h.Rx({0x05});
    EXPECT_EQ(h.sent, std::vector<std::string>{Frame('0')});
    h.Advance(500);
    h.Rx({0x15});  // a NAK inside the quiet window resends the identity and starts the window again
    h.Advance(1499);
    EXPECT_EQ(h.sent, (std::vector<std::string>{Frame('0'), Frame('0')}));
    h.Advance(1);  // quiet window 1000 + measure-after 500
    EXPECT_EQ(h.sent.back(), Frame('1'));
    h.Advance(100);
    h.Rx({0x06}).Advance(299);
    EXPECT_EQ(h.sent.size(), 3u);
    h.Advance(1);
    EXPECT_EQ(h.sent.back(), Frame('2'));
    EXPECT_EQ(h.exitCode, -1);
    h.Rx({0x06});
    EXPECT_TRUE(h.Logged("test-complete n=1"));
    EXPECT_TRUE(h.exitCode == 0 && h.sim.Finished() && !h.sim.NextDeadline());

    SimConfig one = Auto();
    one.maxResend = 1;
    for (const auto& [answers, event, sent] : {std::tuple{std::initializer_list<unsigned char>{0x15, 0x15}, "nak-limit status=1", 3u},
                                              {{0x18}, "cancelled status=1", 2u}, {{0x06, 0x18}, "cancelled status=1 while=measuring", 2u},
                                              {{}, "timeout status=1", 2u}, {{0x06, 0x04}, "eot", 2u}}) {
        Harness n(one);
        n.Rx({0x05}).Advance(1500);
        n.Rx(answers).Advance(20000);
        EXPECT_TRUE(n.Logged(event)) << event << "\n" << n.events;
        EXPECT_EQ(n.sent.size(), sent) << event;  // no results after a refusal, a cancel, a timeout or EOT
        EXPECT_EQ(n.sim.TestsCompleted(), 0);
    }
    Harness e(Auto());  // a restarted program's ENQ drops the measurement: identity at once
    e.Rx({0x05}).Advance(1500);
    e.Rx({0x06, 0x05}).Advance(1499);
    EXPECT_EQ(e.sent, (std::vector<std::string>{Frame('0'), Frame('1'), Frame('0')}));
    EXPECT_TRUE(e.Logged("enq-restart"));

    SimConfig so = Auto();  // sign-off after the results, then only a new ENQ wakes it
    so.signoffAfterMs = 200;
    Harness s(so);
    s.Rx({0x05}).Advance(1500);
    s.Rx({0x06}).Advance(300);
    s.Rx({0x06}).Advance(200);
    EXPECT_EQ(s.sent.back(), Frame('3'));
    s.Advance(31000);
    EXPECT_TRUE(s.Logged("signed-off"));
    s.Rx({0x05});
    EXPECT_EQ(s.sent, (std::vector<std::string>{Frame('0'), Frame('1'), Frame('2'), Frame('3'), Frame('0')}));
}

TEST(Farsim, FaultsAndOtherDevices) {
    SimConfig cfg = Auto();
    cfg.fault = Fault::Checksum, cfg.faultCount = 1;
    Harness h(cfg);  // only the next N frames are hit
    h.Rx({0x05}).Advance(500);
    h.Rx({0x15});
    ASSERT_EQ(h.sent.size(), 2u);
    EXPECT_NE(h.sent[0], Frame('0'));
    EXPECT_EQ(h.sent[1], Frame('0'));
    EXPECT_TRUE(h.Logged("tx-frame status=0 len=57 layout=short attempt=1 fault=checksum\n"));
    EXPECT_TRUE(h.Logged("tx-frame status=0 len=57 layout=short attempt=2 fault=none\n"));

    cfg.fault = Fault::Disconnect;
    Harness d(cfg);  // hangs up and waits for the next ENQ
    d.Rx({0x05}).Advance(10000);
    EXPECT_EQ(d.hangUps, 1);
    d.Rx({0x05});
    ASSERT_EQ(d.sent.size(), 2u);
    EXPECT_EQ(d.sent[0].find('\x03'), std::string::npos);
    EXPECT_EQ(d.sent[1], Frame('0'));

    SimConfig other = Auto(), silent = Auto();  // devices a port scan must pass over
    other.identity.deviceClass = "XYZ", silent.silent = true;
    Harness o(other), q(silent);
    o.Rx({0x05});
    EXPECT_EQ(o.sent, std::vector<std::string>{BuildFrame(Layout::Short, '0', other.identity, {})});
    EXPECT_EQ(o.sent[0].substr(0, 4), "\x02XYZ");
    q.Rx({0x05, 0x15, 0x05, 0x06}).Advance(10000);
    EXPECT_TRUE(q.sent.empty());
}

TEST(Farsim, ScenarioDrivesTheExchange) {
    std::string error;
    SimConfig cfg;
    cfg.layout = Layout::Separated;
    cfg.scenario = ParseScenario("wait-enq 2000\nsend status1\nexpect ACK\nwait 100\nsend result lux=1,2,3,4 config=3\n"
                                 "expect ACK\nsend raw 41 42\nexpect NONE 300\nsend signoff\n", error);
    Harness h(cfg);
    h.Advance(100);
    h.Rx({0x05}).Advance(1000);  // the identity's quiet window
    h.Rx({0x05});                // a search poll is no answer to status 1
    EXPECT_EQ(h.sent.size(), 2u);
    h.Rx({0x06}).Advance(100);
    Results r;
    r.lux = {"1", "2", "3", "4"}, r.config = "3";
    h.Rx({0x06}).Advance(1300);
    EXPECT_EQ(h.sent, (std::vector<std::string>{Frame('0', Layout::Separated), Frame('1', Layout::Separated),
                                                BuildFrame(Layout::Separated, '2', Identity{}, r), "AB", Frame('3', Layout::Separated)}));
    EXPECT_TRUE(h.exitCode == 0 && h.sim.ExpectFailures() == 0 && h.sim.TestsCompleted() == 1);

    cfg = SimConfig{};  // failed expectations are counted; a NAK resends and the final answer counts
    cfg.scenario = ParseScenario("wait-enq 100\nsend status1\nexpect ACK\nsend status 5\nexpect NAK\nexpect EOT 500\n"
                                 "disconnect\n", error);
    Harness f(cfg);
    f.Advance(100);
    f.Rx({0x18, 0x15, 0x06}).Advance(200);
    f.Rx({0x04});
    for (const char* line : {"expect-fail want=ENQ got=NONE line=1", "expect-fail want=ACK got=CAN line=3",
                             "expect-fail want=NAK got=ACK line=5", "expect ok want=EOT line=6"})
        EXPECT_TRUE(f.Logged(line)) << line;
    EXPECT_EQ(f.sent.size(), 3u);
    EXPECT_TRUE(f.hangUps == 1 && f.sim.ExpectFailures() == 3 && f.exitCode == 1);
}
