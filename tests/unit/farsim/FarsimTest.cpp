// The tester simulator's protocol: the frames it builds, the faults it puts
// on the wire, its scenario and command-line parsing, and its replies driven
// with virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <sstream>

#include "farsim/Faults.h"
#include "farsim/Log.h"
#include "farsim/Options.h"
#include "farsim/Simulator.h"
#include "fakes/TempDir.h"

using namespace heliotab::farsim;
using namespace std::string_literals;

namespace {

Identity SampleIdentity() {
    Identity id;
    id.make = "ACME", id.model = "HL-5", id.approval = "OM1234", id.serial = "0042",
    id.version = "1.20", id.expiry = "05122026";
    return id;
}
Results SampleResults() {
    Results r;
    r.aim = {"R", "R", "A", "R", "I", "R", "R", "A"}, r.lux = {"3.75", "90.01", "20", "150"};
    r.height = "085", r.type = "A", r.config = "1";
    return r;
}

// Plays a script on the simulator with a virtual clock: "E", "K", "N", "C", "T"
// are ENQ, ACK, NAK, CAN and EOT from the program, "+ms" moves the clock (each
// deadline runs at its own time). The trace holds every send as "<status>@<ms>"
// ("*" marks a frame that differs from the clean one, "raw" any other bytes),
// "H" for a hang-up and "X<code>" for the exit.
struct Play {
    Play(SimConfig c, const std::string& script) : cfg(c), sim(std::move(c)) {
        sim.Start(now), Collect();
        std::istringstream in(script);
        for (std::string w; in >> w; Collect()) {
            const bool wait = w[0] == '+';
            const double target = now + (wait ? std::stod(w.substr(1)) : 0);
            if (!wait)
                sim.OnByte(
                    static_cast<uint8_t>(std::string("\x05\x06\x15\x18\x04")["EKNCT"s.find(w[0])]),
                    now);
            for (auto d = sim.NextDeadline(); wait && d && *d <= target; d = sim.NextDeadline())
                sim.OnTime(now = std::max(now, *d)), Collect();
            if (wait)
                sim.OnTime(now = target);
        }
    }
    void Collect() {
        for (Effect& e : sim.TakeEffects()) {
            std::string f;
            for (const Chunk& c : e.chunks)
                f += c.bytes;
            if (e.kind == Effect::Kind::Event)
                events += e.text + "\n";
            if (e.kind == Effect::Kind::HangUp)
                trace += "H ";
            if (e.kind == Effect::Kind::Exit)
                trace += "X" + std::to_string(e.exitCode) + " ";
            if (e.kind != Effect::Kind::Send)
                continue;
            std::string tag = f[0] != '\x02' ? "raw" : f.back() != '\x03' ? "cut" : "";
            if (tag.empty() && cfg.layout == Layout::Separated)
                tag = f.substr(f.find(cfg.identity.expiry + '\0') + cfg.identity.expiry.size() + 1,
                               1);
            if (tag.empty())
                tag = f[(f.size() - 1 == 57 || f.size() - 1 == 94) ? 54 : 76];
            if (tag.size() == 1 && f != BuildFrame(cfg.layout, tag[0], cfg.identity, cfg.results))
                tag += "*";
            sent.push_back(f), trace += tag + "@" + std::to_string(static_cast<int>(now)) + " ";
        }
    }
    SimConfig cfg;
    Simulator sim;
    double now = 0;
    std::string trace, events;
    std::vector<std::string> sent;
};

SimConfig Auto(const std::function<void(SimConfig&)>& change = nullptr) {
    SimConfig c;
    c.measureAfterMs = 500, c.resultAfterMs = 300, c.answerTimeoutMs = 2000, c.quietWindowMs = 1000;
    if (change)
        change(c);
    return c;
}

} // namespace

TEST(Farsim, FramesAndFaultsByteForByte) {
    for (const auto& [text, sum] : {std::pair<std::string, const char*>{"abc", "26"},
                                    {"", "00"},
                                    {"\xFF\x01", "00"},
                                    {"\xFA", "FA"},
                                    {std::string("A\0B", 3), "83"}})
        EXPECT_EQ(ChecksumOf(text), sum) << text; // low byte of the sum, upper-case hex, NULs count
    Identity longId = SampleIdentity();
    longId.model = "HL-5 LONG MODEL", longId.approval = "OM1234/2020", longId.version = "1.2A";
    const std::string shortHead = "FAR01ACME      HL-5      OM1234      00421.2005122026";
    const std::string longHead =
        "FAR01ACME      HL-5 LONG MODEL     OM1234/2020             00421.2A05122026";
    const std::string block = "RRARIRRA  3.75 90.01    20   150085A ";
    const std::tuple<Layout, char, std::string, int> rows[] = {
        {Layout::Short, '0', shortHead + "035", kShortIdentityLen},
        {Layout::Long, '0', longHead + "0DA", kLongIdentityLen},
        {Layout::Short, '2', shortHead + "2" + block + "97", kShortResultsLen},
        {Layout::Long, '2', longHead + "2" + block + "3C", kLongResultsLen},
        {Layout::Short, '5', shortHead + "53A", 57},
        {Layout::Long, '3', longHead + "3DD", 79},
    };
    for (const auto& [layout, status, body, length] : rows) {
        const std::string f =
            BuildFrame(layout, status, layout == Layout::Long ? longId : SampleIdentity(),
                       status == '2' ? SampleResults() : Results{});
        EXPECT_EQ(f + std::to_string(f.size() - 1),
                  "\x02" + body + "\x03" + std::to_string(length));
    }
    Results r = SampleResults();
    r.aim[0] = "R#", r.lux = {"2.0", "90", "7.5", "150"};
    static const char kSpan[] = "FAR01\0\0ACME\0HL-5\0OM1234\0"
                                "0042\0"
                                "1.20\0"
                                "05122026\0"
                                "2\0R#\0R\0A\0R\0I\0R\0R\0A\0"
                                "2.0\0"
                                "90\0"
                                "7.5\0"
                                "150\0"
                                "085\0A\0"
                                "1\0";
    EXPECT_EQ(BuildFrame(Layout::Separated, '2', SampleIdentity(), r),
              "\x02" + std::string(kSpan, sizeof kSpan - 1) + "B7\x03");
    static const char kIdSpan[] = "FAR01\0\0ACME\0HL-5\0OM1234\0"
                                  "0042\0"
                                  "1.20\0"
                                  "05122026\0"
                                  "0\0";
    const std::string idSpan(kIdSpan, sizeof kIdSpan - 1);
    EXPECT_EQ(BuildFrame(Layout::Separated, '0', SampleIdentity(), {}),
              "\x02" + idSpan + ChecksumOf(idSpan) + "\x03");
    // Faults put on the wire what they claim.
    std::mt19937 rng(7);
    for (Layout l : {Layout::Short, Layout::Long, Layout::Separated})
        for (char status : {'0', '1', '2', '3'})
            for (Fault fault : {Fault::None, Fault::Checksum, Fault::Lowercase, Fault::Garbage,
                                Fault::Split, Fault::Disconnect}) {
                SCOPED_TRACE(FaultName(fault) + std::string(1, status));
                EXPECT_EQ(ParseFault(FaultName(fault)), fault);
                const Transmission t =
                    MakeTransmission(FrameRequest{l, status, {}, {}}, fault, rng);
                const std::string good = BuildFrame(l, status, Identity{}, Results{});
                std::string f, upper;
                for (const Chunk& c : t.chunks)
                    f += c.bytes;
                const std::string carried = f.substr(f.size() - 3, 2),
                                  due = ChecksumOf(f.substr(1, f.size() - 4));
                for (char c : carried)
                    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                const size_t chunks = fault == Fault::Split ? 4 : fault == Fault::Garbage ? 2 : 1;
                EXPECT_EQ(std::pair(t.hangUpAfter, t.chunks.size()),
                          std::pair(fault == Fault::Disconnect, chunks));
                for (size_t i = 1; i < t.chunks.size(); ++i)
                    EXPECT_GT(t.chunks[i].delayBeforeMs, 0);
                if (fault == Fault::None || fault == Fault::Split)
                    EXPECT_EQ(f, good);
                if (fault == Fault::Split)
                    EXPECT_EQ(t.chunks.front().bytes + t.chunks.back().bytes, "\x02\x03");
                if (fault == Fault::Garbage) // noise alone, before an intact frame
                    EXPECT_TRUE(t.chunks[0].bytes.size() >= 3 &&
                                t.chunks[0].bytes.find_first_of("\x02\x03") == std::string::npos &&
                                t.chunks[1].bytes == good);
                if (fault == Fault::Checksum) // only the checksum differs: well-formed upper-case
                                              // hex, but wrong
                    EXPECT_TRUE(f.substr(0, f.size() - 3) == good.substr(0, good.size() - 3) &&
                                carried != due && upper == carried &&
                                std::all_of(carried.begin(), carried.end(), ::isxdigit));
                if (fault == Fault::Lowercase) // always a letter to lower: a digits-only checksum
                                               // would make it a no-op
                    EXPECT_TRUE(f.substr(0, 4) == "\x02"
                                                  "FAR" &&
                                carried != due && upper == due);
                if (fault == Fault::Disconnect) // stops mid-frame
                    EXPECT_TRUE(f.size() > 1 && f.size() < good.size() - 1 &&
                                good.compare(0, f.size(), f) == 0);
            }
    EXPECT_FALSE(ParseFault("CHECKSUM").has_value());
}

TEST(Farsim, ScenarioAndCommandLine) {
    std::string error;
    const auto steps =
        ParseScenario("# a comment\r\nwait-enq 5000\n\n   wait 250   # settle\nfault checksum 2\n"
                      "send status1\nexpect ACK 2000\nsend result lux=3.75,4,-20,150 "
                      "aim=R#,R,A,R,R,R,R,I config=3 height=085 type=B\n"
                      "send status 5\nsend raw 02 46 41 52 03 9f AF\nsend signoff\nexpect "
                      "NONE\ndisconnect\nsend identity\n",
                      error);
    ASSERT_TRUE(steps.has_value()) << error;
    std::string got;
    for (const Step& s : *steps)
        got += std::to_string(static_cast<int>(s.kind)) + ":" + std::to_string(s.line) + ":" +
               std::to_string(s.ms) + ":" + s.status + ":" + std::to_string(s.values.size()) + ":" +
               FaultName(s.fault) + std::to_string(s.count) + ":" +
               std::to_string(static_cast<int>(s.expect)) + "|";
    EXPECT_EQ(got, "1:2:5000:0:0:none1:0|0:4:250:0:0:none1:0|5:5:-1:0:0:checksum2:0|2:6:-1:1:0:"
                   "none1:0|4:7:2000:0:0:none1:1|"
                   "2:8:-1:2:5:none1:0|2:9:-1:5:0:none1:0|3:10:-1:0:0:none1:0|2:11:-1:3:0:none1:0|"
                   "4:12:-1:0:0:none1:0|"
                   "6:13:-1:0:0:none1:0|2:14:-1:0:0:none1:0|");
    EXPECT_EQ((*steps)[7].raw, "\x02"
                               "FAR\x03\x9F\xAF");
    EXPECT_EQ((*steps)[5].values[1].second, "R#,R,A,R,R,R,R,I"); // "#" inside a word is no comment
    const std::pair<const char*, const char*> bad[] = {
        // "line N: " and the reason
        {"wait\n", "1: wait needs MS"},
        {"\nwait -5\n", "2: bad milliseconds '-5'"},
        {"wait 10ms\n", "1: bad milliseconds '10ms'"},
        {"send hello\n", "1: unknown frame 'hello'"},
        {"send raw 0\n", "1: bad hex bytes"},
        {"send raw zz\n", "1: bad hex bytes"},
        {"send raw 0g\n", "1: bad hex bytes"},
        {"send raw G0\n", "1: bad hex bytes"},
        {"send raw :0\n", "1: bad hex bytes"},
        {"send raw /0\n", "1: bad hex bytes"},
        {"send raw @0\n", "1: bad hex bytes"},
        {"send raw `0\n", "1: bad hex bytes"},
        {"send status 12\n", "1: send status C"},
        {"expect ACKS\n", "1: unknown answer 'ACKS'"},
        {"fault noise\n", "1: unknown fault 'noise'"},
        {"send result lux=1,2,3\n", "1: lux needs 4 values"},
        {"send result lux=1,2,x,4\n", "1: bad lux value 'x'"},
        {"send result lux=1,2,,4\n", "1: bad lux value ''"},
        {"send result lux=1,2,3,4:\n", "1: bad lux value '4:'"},
        {"send result lux=/,2,3,4\n", "1: bad lux value '/'"},
        {"send result lux=1,2,3,4,\n", "1: lux needs 4 values"},
        {"send result aim=RRR\n", "1: aim needs 8 verdicts"},
        {"send result colour=red\n", "1: unknown result key 'colour'"},
        {"send result lux\n", "1: expected key=value, got 'lux'"},
        {"jump 3\n", "1: unknown step 'jump'"},
        {"wait-enq 1 2\n", "1: wait-enq takes at most MS"},
    };
    for (const auto& [text, want] : bad)
        EXPECT_EQ(ParseScenario(text, error).has_value() ? "parsed" : error,
                  "line " + std::string(want))
            << text;
    EXPECT_TRUE(ParseScenario("# nothing\n\n", error)->empty());
    EXPECT_EQ(ByteLine("tx", 0xE9) + "|" + ByteLine("rx", 0x15) + "|" + ByteLine("tx", 'F'),
              "tx E9|rx 15 NAK|tx 46 'F'");
    Results r;
    EXPECT_TRUE(ApplyResultValue(r, "lux", "0.9,-1,90,9", error) &&
                ApplyResultValue(r, "aim", "RAIRRRRA", error));
    EXPECT_EQ(r.lux[0] + r.lux[3] + r.aim[1] + r.aim[7], "0.99AA");
    for (const char* name : {"one-test.txt", "bad-checksums.txt", "split-and-garbage.txt"}) {
        const auto shipped =
            ParseScenario(heliotab::testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) +
                                                       "/tools/farsim/scenarios/" + name),
                          error);
        EXPECT_TRUE(shipped && shipped->front().kind == StepKind::WaitEnq) << name << ": " << error;
    }

    const std::pair<std::vector<std::string>, const char*> lines[] = {
        {{}, "give exactly one of --device and --pty-link"},
        {{"/dev/pts/3", "--pty-link", "x"}, "give exactly one of --device and --pty-link"},
        {{"--device"}, "--device needs a value"},
        {{"a", "--layout", "wide"}, "--layout: short, long or sep"},
        {{"a", "--measure-after", "1s"}, "--measure-after: not a number: 1s"},
        {{"a", "--fault", "noise"}, "--fault: unknown fault noise"},
        {{"a", "--lux", "1,2"}, "--lux: lux needs 4 values"},
        {{"a", "--make", "MUCH TOO LONG"}, "--make: value too long for the short layout"},
        {{"a", "--aim", "R#,R,R,R,R,R,R,R"}, "--aim: value too long for the short layout"},
        {{"a", "--class", "FARX"}, "--class: three characters"},
        {{"a", "--demo", "--scenario", "s.txt"}, "--demo and --scenario exclude each other"},
        {{"a", "b"}, "unknown argument b"},
        {{"a", "--bogus"}, "unknown argument --bogus"},
        {{"a", "--layout", "sep", "--aim", "R#,R,R,R,R,R,R,R"}, ""},
    };
    for (const auto& [args, want] : lines)
        EXPECT_EQ((error.clear(), ParseOptions(args, error).has_value() ? "" : error), want)
            << want;
    const auto o = ParseOptions({"--pty-link",
                                 "/tmp/com3",
                                 "--layout",
                                 "long",
                                 "--make",
                                 "ACME",
                                 "--version",
                                 "1.20",
                                 "--expiry",
                                 "05122026",
                                 "--aim",
                                 "RRRRRRRA",
                                 "--lux",
                                 "1,2,3,4",
                                 "--height",
                                 "090",
                                 "--measure-after",
                                 "250",
                                 "--result-after",
                                 "100",
                                 "--signoff-after",
                                 "50",
                                 "--fault",
                                 "split",
                                 "--fault-count",
                                 "3",
                                 "--seed",
                                 "42",
                                 "--log",
                                 "l.txt",
                                 "--stats",
                                 "--exit-after-tests",
                                 "2",
                                 "--timeout",
                                 "30",
                                 "--max-resend",
                                 "1",
                                 "--class",
                                 "XYZ",
                                 "--silent"},
                                error);
    ASSERT_TRUE(o.has_value()) << error;
    const SimConfig& c = o->sim;
    std::string got2 = o->ptyLink + o->logPath + c.identity.make + c.identity.version +
                       c.results.aim[7] + c.results.lux[3] + c.results.height;
    for (int v : std::initializer_list<int>{
             c.layout == Layout::Long, c.measureAfterMs, c.resultAfterMs, c.signoffAfterMs,
             c.fault == Fault::Split, c.faultCount, static_cast<int>(c.seed), c.exitAfterTests,
             c.maxResend, o->timeoutS, c.silent, o->stats})
        got2 += " " + std::to_string(v);
    EXPECT_EQ(got2 + c.identity.deviceClass,
              "/tmp/com3l.txtACME1.20A4090 1 250 100 50 1 3 42 2 1 30 1 1XYZ");
}

TEST(Farsim, RepliesOnSchedule) {
    using C = SimConfig&;
    std::string error;
    auto Script = [&](const char* text) { return ParseScenario(text, error); };
    const std::tuple<SimConfig, const char*, const char*, const char*> rows[] = {
        // Nothing before the ENQ; quiet window 1000 then measure-after 500; results result-after
        // 300 after the ACK.
        {Auto([](C c) { c.exitAfterTests = 1; }), "+5000 E +1499 +1 +100 K +299 +1 K",
         "0@5000 1@6500 2@6900 X0", "test-complete n=1"},
        // A NAK in the quiet window resends the identity and starts the window again.
        {Auto(), "E +500 N +1499 +1", "0@0 0@500 1@2000",
         "tx-frame status=0 len=57 layout=short attempt=2 fault=none"},
        {Auto([](C c) { c.maxResend = 2; }), "E +1500 +500 N N N +20000",
         "0@0 1@1500 1@2000 1@2000", "nak-limit status=1"},
        {Auto(), "E +1500 C +20000", "0@0 1@1500", "cancelled status=1"},
        {Auto(), "E +1500 K +100 C +20000", "0@0 1@1500", "cancelled status=1 while=measuring"},
        {Auto(), "E +1500 +1999", "0@0 1@1500", "answer status=0 got=NONE"},
        {Auto(), "E +1500 +2000", "0@0 1@1500", "timeout status=1"},
        {Auto(), "E +1500 K T +10000 E +1500 K E +1499", "0@0 1@1500 0@11500 1@13000 0@13000",
         "eot program-closed"}, // EOT and ENQ reset
        {Auto(), "E +1500 K E", "0@0 1@1500 0@1500", "enq-restart"},
        {Auto([](C c) { c.signoffAfterMs = 200; }), "E +1500 K +300 K +199 +1 +31000 E",
         "0@0 1@1500 2@1800 3@2000 0@33000", "signed-off"},
        {Auto([](C c) { c.measureAfterMs = -1, c.signoffAfterMs = 700; }), "E +1699 +1",
         "0@0 3@1700", "tx-frame status=3"},
        {Auto([](C c) { c.exitAfterTests = 2; }),
         "E +1500 C +5000 E +1500 K +300 K +499 +1 K +300 K",
         "0@0 1@1500 0@6500 1@8000 2@8300 1@8800 2@9100 X0",
         "test-complete n=2"}, // refused: offered again only after an ENQ
        {Auto([](C c) {
             c.demo = true, c.measureAfterMs = -1, c.demoIntervalMs = 3000, c.resultAfterMs = 1000,
             c.exitAfterTests = 2;
         }),
         "E +4000 C +3000 +5000 K +1000 K +3000 K +1000 K",
         "0@0 1@4000 1@7000 1@12000 2@13000 1@16000 2@17000 X0", "test-complete n=2"},
        // Faults hit only the next N frames; a disconnect hangs up and waits for the next ENQ.
        {Auto([](C c) { c.fault = Fault::Checksum, c.faultCount = 1; }), "E +500 N", "0*@0 0@500",
         "tx-frame status=0 len=57 layout=short attempt=1 fault=checksum"},
        {Auto([](C c) { c.fault = Fault::Disconnect; }), "E +10000 E", "cut@0 H 0@10000", "hangup"},
        {Auto([](C c) { c.identity.deviceClass = "XYZ"; }), "E", "0@0",
         "tx-frame status=0"}, // another class: its own frame
        {Auto([](C c) { c.silent = true; }), "E N E K +10000", "", ""},
        // Scenarios: sent values, failed expectations counted, the final answer after NAK resends
        // counts.
        {Auto([&](C c) {
             c = SimConfig{}, c.layout = Layout::Separated,
             c.scenario = Script("wait-enq 2000\nsend status1\nexpect ACK\n"
                                 "wait 100\nsend result lux=1,2,3,4 config=3\nexpect ACK\nsend raw "
                                 "41 42\nexpect NONE 300\nsend signoff\n");
         }),
         "+100 E +1000 E K +100 K +300 +1000", "0@100 1@1100 2*@1200 raw@1200 3@1500 X0",
         "expect ok want=NONE line=8"},
        {Auto([&](C c) {
             c = SimConfig{},
             c.scenario =
                 Script("wait-enq 100\nsend status1\nexpect ACK\nsend status 5\nexpect NAK\n"
                        "expect EOT 500\ndisconnect\n");
         }),
         "+100 C N K +200 T", "1@100 5@100 5@100 H X1",
         "expect-fail want=ENQ got=NONE line=1|expect-fail want=ACK got=CAN line=3|resend status=5 "
         "after=NAK attempt=2|"
         "expect-fail want=NAK got=ACK line=5|expect ok want=EOT line=6|exit code=1 "
         "reason=expect-failed tests=0"},
        {Auto([&](C c) {
             c = SimConfig{}, c.maxResend = 0,
             c.scenario = Script("fault lowercase 1\nsend status1\nexpect NAK\n");
         }),
         "+500 N", "1*@0 X0", "fault=lowercase"},
    };
    for (const auto& [cfg, script, trace, event] : rows) {
        const Play p(cfg, script);
        EXPECT_EQ(p.trace, trace + std::string(*trace ? " " : "")) << script << "\n" << p.events;
        std::istringstream lines(event);
        for (std::string line; std::getline(lines, line, '|');)
            EXPECT_NE(p.events.find(line), std::string::npos) << script << ": " << line << "\n"
                                                              << p.events;
    }
    Results values; // a scenario's result values go on the wire as given
    values.lux = {"1", "2", "3", "4"}, values.config = "3";
    EXPECT_EQ(
        Play(Auto([&](C c) {
                 c.layout = Layout::Separated,
                 c.scenario = Script("send result lux=1,2,3,4 config=3\nsend raw 41 42\n");
             }),
             "K")
            .sent,
        (std::vector<std::string>{BuildFrame(Layout::Separated, '2', Identity{}, values), "AB"}));
}
