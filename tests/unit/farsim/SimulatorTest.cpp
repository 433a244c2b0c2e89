// The simulator's exchange driven with virtual time: what it sends, when.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "farsim/Simulator.h"

using namespace heliotab::farsim;

namespace {

struct Sent {
    double t;
    std::string bytes;
};

// Runs the simulator on a virtual clock and keeps what came out.
struct Harness {
    explicit Harness(SimConfig cfg) : sim(std::move(cfg)) {
        sim.Start(now);
        Collect();
    }

    void Collect() {
        for (Effect& e : sim.TakeEffects()) {
            switch (e.kind) {
            case Effect::Kind::Send: {
                std::string all;
                for (const Chunk& c : e.chunks) all += c.bytes;
                sent.push_back({now, all});
                break;
            }
            case Effect::Kind::Event: events.push_back(e.text); break;
            case Effect::Kind::HangUp: ++hangUps; break;
            case Effect::Kind::Exit: exitCode = e.exitCode; break;
            }
        }
    }

    // Moves the clock forward, running each deadline at its own time.
    void Advance(double ms) {
        const double target = now + ms;
        for (;;) {
            const auto d = sim.NextDeadline();
            if (!d || *d > target) break;
            now = std::max(now, *d);
            sim.OnTime(now);
            Collect();
        }
        now = target;
        sim.OnTime(now);
        Collect();
    }

    void Receive(unsigned char b) {
        sim.OnByte(b, now);
        Collect();
    }

    bool HasEvent(const std::string& prefix) const {
        return std::any_of(events.begin(), events.end(),
                           [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    }

    // Status character of a sent fixed-layout frame.
    static char StatusOf(const std::string& f) {
        const size_t n = f.size() - 1;
        return f[(n == 57 || n == 94) ? 54 : 76];
    }

    Simulator sim;
    double now = 0;
    std::vector<Sent> sent;
    std::vector<std::string> events;
    int hangUps = 0;
    int exitCode = -1;
};

SimConfig Auto() {
    SimConfig c;
    c.measureAfterMs = 500;
    c.resultAfterMs = 300;
    c.answerTimeoutMs = 2000;
    c.quietWindowMs = 1000;
    return c;
}

std::vector<Step> Script(const char* text) {
    std::string error;
    auto steps = ParseScenario(text, error);
    EXPECT_TRUE(steps.has_value()) << error;
    return steps.value_or(std::vector<Step>{});
}

}  // namespace

TEST(FarsimSimulator, OneTestOnSchedule) {
    SimConfig cfg = Auto();
    cfg.exitAfterTests = 1;
    Harness h(cfg);
    h.Advance(5000);
    EXPECT_TRUE(h.sent.empty()) << "nothing before the program's ENQ";

    h.Receive(0x05);
    ASSERT_EQ(h.sent.size(), 1u);
    EXPECT_EQ(h.sent[0].bytes, BuildFrame(Layout::Short, '0', Identity{}, Results{}));
    EXPECT_EQ(h.sent[0].t, 5000);

    // The quiet window (1000) then measure-after (500): status 1 at 6500 exactly.
    h.Advance(1499);
    EXPECT_EQ(h.sent.size(), 1u);
    h.Advance(1);
    ASSERT_EQ(h.sent.size(), 2u);
    EXPECT_EQ(Harness::StatusOf(h.sent[1].bytes), '1');

    h.Advance(100);
    h.Receive(0x06);
    h.Advance(299);
    EXPECT_EQ(h.sent.size(), 2u);
    h.Advance(1);
    ASSERT_EQ(h.sent.size(), 3u);
    EXPECT_EQ(h.sent[2].t, 6900);
    EXPECT_EQ(h.sent[2].bytes.size() - 1, 94u);
    EXPECT_EQ(Harness::StatusOf(h.sent[2].bytes), '2');
    EXPECT_EQ(h.exitCode, -1);

    h.Receive(0x06);
    EXPECT_TRUE(h.HasEvent("test-complete n=1"));
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_TRUE(h.sim.Finished());
    EXPECT_FALSE(h.sim.NextDeadline().has_value());
}

TEST(FarsimSimulator, NakResendsTheSameFrameUpToTheLimit) {
    SimConfig cfg = Auto();
    cfg.maxResend = 2;
    Harness h(cfg);
    h.Receive(0x05);
    h.Advance(1500);
    ASSERT_EQ(h.sent.size(), 2u);
    const std::string status1 = h.sent[1].bytes;

    h.Advance(500);  // the program NAKs half a second late
    h.Receive(0x15);
    ASSERT_EQ(h.sent.size(), 3u);
    EXPECT_EQ(h.sent[2].bytes, status1);
    EXPECT_EQ(h.sent[2].t, h.now);
    h.Receive(0x15);
    ASSERT_EQ(h.sent.size(), 4u);
    EXPECT_EQ(h.sent[3].bytes, status1);
    h.Receive(0x15);  // third NAK: two resends were allowed
    EXPECT_EQ(h.sent.size(), 4u);
    EXPECT_TRUE(h.HasEvent("nak-limit status=1"));
    h.Advance(20000);
    EXPECT_EQ(h.sent.size(), 4u) << "no results for a refused measurement";
}

TEST(FarsimSimulator, NakInsideTheQuietWindowResendsTheIdentity) {
    Harness h(Auto());
    h.Receive(0x05);
    h.Advance(500);
    h.Receive(0x15);
    ASSERT_EQ(h.sent.size(), 2u);
    EXPECT_EQ(h.sent[1].bytes, h.sent[0].bytes);
    // The window starts again with the resend: status 1 follows 1000 + 500 later.
    h.Advance(1499);
    EXPECT_EQ(h.sent.size(), 2u);
    h.Advance(1);
    ASSERT_EQ(h.sent.size(), 3u);
    EXPECT_EQ(Harness::StatusOf(h.sent[2].bytes), '1');
}

TEST(FarsimSimulator, CanCancelsTheMeasurement) {
    {
        Harness h(Auto());
        h.Receive(0x05);
        h.Advance(1500);
        h.Receive(0x18);  // refused: not armed
        EXPECT_TRUE(h.HasEvent("cancelled status=1"));
        h.Advance(20000);
        EXPECT_EQ(h.sent.size(), 2u);
    }
    {
        Harness h(Auto());
        h.Receive(0x05);
        h.Advance(1500);
        h.Receive(0x06);
        h.Advance(100);
        h.Receive(0x18);  // the operator's "stop" while measuring
        EXPECT_TRUE(h.HasEvent("cancelled status=1 while=measuring"));
        h.Advance(20000);
        EXPECT_EQ(h.sent.size(), 2u) << "no results after a cancel";
        EXPECT_EQ(h.sim.TestsCompleted(), 0);
    }
}

TEST(FarsimSimulator, NoAnswerTimesOut) {
    Harness h(Auto());
    h.Receive(0x05);
    h.Advance(1500);
    h.Advance(1999);
    EXPECT_FALSE(h.HasEvent("timeout"));
    h.Advance(1);
    EXPECT_TRUE(h.HasEvent("timeout status=1"));
    EXPECT_TRUE(h.HasEvent("answer status=1 got=NONE"));
}

TEST(FarsimSimulator, DemoOffersUntilAcceptedAndRepeats) {
    SimConfig cfg;
    cfg.demo = true;
    cfg.demoIntervalMs = 3000;
    cfg.resultAfterMs = 1000;
    cfg.exitAfterTests = 2;
    Harness h(cfg);
    h.Receive(0x05);
    h.Advance(1000 + 3000);
    ASSERT_EQ(h.sent.size(), 2u);
    h.Receive(0x18);              // not armed yet
    h.Advance(3000);
    ASSERT_EQ(h.sent.size(), 3u);  // offered again
    EXPECT_EQ(Harness::StatusOf(h.sent[2].bytes), '1');
    h.Advance(2000 + 3000);        // no answer: timeout, then again
    ASSERT_EQ(h.sent.size(), 4u);
    EXPECT_EQ(Harness::StatusOf(h.sent[3].bytes), '1');
    h.Receive(0x06);
    h.Advance(1000);
    ASSERT_EQ(h.sent.size(), 5u);
    EXPECT_EQ(Harness::StatusOf(h.sent[4].bytes), '2');
    h.Receive(0x06);
    EXPECT_EQ(h.sim.TestsCompleted(), 1);
    h.Advance(3000);
    ASSERT_EQ(h.sent.size(), 6u);  // the next test is offered
    h.Receive(0x06);
    h.Advance(1000);
    h.Receive(0x06);
    EXPECT_EQ(h.sim.TestsCompleted(), 2);
    EXPECT_EQ(h.exitCode, 0);
}

TEST(FarsimSimulator, SignOffThenWaitForTheNextEnq) {
    SimConfig cfg = Auto();
    cfg.signoffAfterMs = 200;
    Harness h(cfg);
    h.Receive(0x05);
    h.Advance(1500);
    h.Receive(0x06);
    h.Advance(300);
    h.Receive(0x06);
    h.Advance(200);
    ASSERT_EQ(h.sent.size(), 4u);
    EXPECT_EQ(Harness::StatusOf(h.sent[3].bytes), '3');
    h.Advance(1000);
    EXPECT_TRUE(h.HasEvent("signed-off"));
    h.Advance(30000);
    EXPECT_EQ(h.sent.size(), 4u);
    h.Receive(0x05);
    ASSERT_EQ(h.sent.size(), 5u);
    EXPECT_EQ(Harness::StatusOf(h.sent[4].bytes), '0');
}

TEST(FarsimSimulator, SignOffWithoutMeasurement) {
    SimConfig cfg;
    cfg.signoffAfterMs = 700;
    Harness h(cfg);
    h.Receive(0x05);
    h.Advance(1000 + 699);
    EXPECT_EQ(h.sent.size(), 1u);
    h.Advance(1);
    ASSERT_EQ(h.sent.size(), 2u);
    EXPECT_EQ(Harness::StatusOf(h.sent[1].bytes), '3');
}

TEST(FarsimSimulator, EotAndEnqResetTheExchange) {
    Harness h(Auto());
    h.Receive(0x05);
    h.Advance(1500);
    h.Receive(0x06);
    h.Receive(0x04);  // the program closes while we measure
    EXPECT_TRUE(h.HasEvent("eot"));
    h.Advance(10000);
    EXPECT_EQ(h.sent.size(), 2u);

    h.Receive(0x05);
    h.Advance(1500);
    h.Receive(0x06);  // measuring again
    h.Receive(0x05);  // restarted program searches: identity at once, no results
    ASSERT_EQ(h.sent.size(), 5u);
    EXPECT_EQ(Harness::StatusOf(h.sent[3].bytes), '1');
    EXPECT_EQ(Harness::StatusOf(h.sent[4].bytes), '0');
    EXPECT_TRUE(h.HasEvent("enq-restart"));
    h.Advance(1000 + 499);
    EXPECT_EQ(h.sent.size(), 5u) << "the measurement was dropped with the restart";
}

TEST(FarsimSimulator, FaultsHitOnlyTheNextNFrames) {
    SimConfig cfg = Auto();
    cfg.fault = Fault::Checksum;
    cfg.faultCount = 1;
    Harness h(cfg);
    h.Receive(0x05);
    const std::string good = BuildFrame(Layout::Short, '0', Identity{}, Results{});
    ASSERT_EQ(h.sent.size(), 1u);
    EXPECT_NE(h.sent[0].bytes, good);
    EXPECT_EQ(h.sent[0].bytes.substr(0, 55), good.substr(0, 55));
    EXPECT_TRUE(h.HasEvent("tx-frame status=0 len=57 layout=short attempt=1 fault=checksum"));
    h.Advance(500);
    h.Receive(0x15);
    ASSERT_EQ(h.sent.size(), 2u);
    EXPECT_EQ(h.sent[1].bytes, good);
    EXPECT_TRUE(h.HasEvent("tx-frame status=0 len=57 layout=short attempt=2 fault=none"));
}

TEST(FarsimSimulator, DisconnectFaultHangsUpAndWaitsForEnq) {
    SimConfig cfg = Auto();
    cfg.fault = Fault::Disconnect;
    Harness h(cfg);
    h.Receive(0x05);
    EXPECT_EQ(h.hangUps, 1);
    ASSERT_EQ(h.sent.size(), 1u);
    EXPECT_EQ(h.sent[0].bytes.find('\x03'), std::string::npos);
    h.Advance(10000);
    EXPECT_EQ(h.sent.size(), 1u);
    h.Receive(0x05);
    ASSERT_EQ(h.sent.size(), 2u);
    EXPECT_EQ(h.sent[1].bytes, BuildFrame(Layout::Short, '0', Identity{}, Results{}));
}

TEST(FarsimSimulator, ScenarioPassesAndSendsItsValues) {
    SimConfig cfg;
    cfg.layout = Layout::Separated;
    cfg.scenario = Script(
        "wait-enq 2000\n"
        "send status1\n"
        "expect ACK\n"
        "wait 100\n"
        "send result lux=1,2,3,4 config=3\n"
        "expect ACK\n"
        "send raw 41 42\n"
        "expect NONE 300\n"
        "send signoff\n");
    Harness h(cfg);
    h.Advance(100);
    h.Receive(0x05);
    h.Advance(1000);  // identity's quiet window
    ASSERT_EQ(h.sent.size(), 2u);
    h.Receive(0x05);  // a search poll is no answer to status 1
    EXPECT_EQ(h.sent.size(), 2u);
    h.Receive(0x06);
    h.Advance(100);
    ASSERT_EQ(h.sent.size(), 3u);
    Results r;
    r.lux = {"1", "2", "3", "4"};
    r.config = "3";
    EXPECT_EQ(h.sent[2].bytes, BuildFrame(Layout::Separated, '2', Identity{}, r));
    h.Receive(0x06);
    ASSERT_EQ(h.sent.size(), 4u);
    EXPECT_EQ(h.sent[3].bytes, "AB");
    h.Advance(300);
    ASSERT_EQ(h.sent.size(), 5u);
    h.Advance(1000);
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_EQ(h.sim.ExpectFailures(), 0);
    EXPECT_EQ(h.sim.TestsCompleted(), 1);
}

TEST(FarsimSimulator, ScenarioCountsFailedExpectations) {
    SimConfig cfg;
    cfg.scenario = Script(
        "wait-enq 100\n"       // nobody polls: fails
        "send status1\n"
        "expect ACK\n"         // gets CAN: fails
        "send status 5\n"
        "expect NAK\n"         // NAK resends; the final answer is what counts
        "expect EOT 500\n"     // arrives in time: passes
        "disconnect\n");
    Harness h(cfg);
    h.Advance(100);
    EXPECT_TRUE(h.HasEvent("expect-fail want=ENQ got=NONE line=1"));
    ASSERT_EQ(h.sent.size(), 1u);
    h.Receive(0x18);
    EXPECT_TRUE(h.HasEvent("expect-fail want=ACK got=CAN line=3"));
    ASSERT_EQ(h.sent.size(), 2u);
    h.Receive(0x15);
    ASSERT_EQ(h.sent.size(), 3u);
    h.Receive(0x06);
    EXPECT_TRUE(h.HasEvent("expect-fail want=NAK got=ACK line=5"));
    h.Advance(200);
    h.Receive(0x04);
    EXPECT_TRUE(h.HasEvent("expect ok want=EOT line=6"));
    EXPECT_EQ(h.hangUps, 1);
    EXPECT_EQ(h.sim.ExpectFailures(), 3);
    EXPECT_EQ(h.exitCode, 1);
}

TEST(FarsimSimulator, ScenarioFaultStep) {
    SimConfig cfg;
    cfg.scenario = Script("fault lowercase 1\nsend status1\nexpect NAK\n");
    cfg.maxResend = 0;
    Harness h(cfg);
    ASSERT_EQ(h.sent.size(), 1u);
    const std::string& f = h.sent[0].bytes;
    EXPECT_NE(f.substr(f.size() - 3, 2), ChecksumOf(f.substr(1, f.size() - 4)));
    h.Advance(500);
    h.Receive(0x15);
    EXPECT_EQ(h.sent.size(), 1u);  // no resends allowed
    EXPECT_EQ(h.exitCode, 0);
}

TEST(FarsimSimulator, MoreTestsWantedAreOfferedOneAfterAnother) {
    SimConfig cfg = Auto();
    cfg.exitAfterTests = 2;
    Harness h(cfg);
    h.Receive(0x05);
    h.Advance(1500);
    h.Receive(0x18);  // refused: without --demo it is not offered again...
    h.Advance(5000);
    ASSERT_EQ(h.sent.size(), 2u);
    h.Receive(0x05);  // ...until the program announces itself anew
    h.Advance(1500);
    ASSERT_EQ(h.sent.size(), 4u);
    h.Receive(0x06);
    h.Advance(300);
    h.Receive(0x06);
    EXPECT_EQ(h.sim.TestsCompleted(), 1);
    h.Advance(499);
    EXPECT_EQ(h.sent.size(), 5u);
    h.Advance(1);
    ASSERT_EQ(h.sent.size(), 6u);  // the second test, measure-after later
    EXPECT_EQ(Harness::StatusOf(h.sent[5].bytes), '1');
    h.Receive(0x06);
    h.Advance(300);
    h.Receive(0x06);
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_EQ(h.sim.TestsCompleted(), 2);
}

// Devices the port scan must pass over: one of another class, one that never answers.
TEST(FarsimSimulator, AnotherClassAndASilentDevice) {
    SimConfig other = Auto();
    other.identity.deviceClass = "XYZ";
    Harness h(other);
    h.Receive(0x05);
    ASSERT_EQ(h.sent.size(), 1u);
    EXPECT_EQ(h.sent[0].bytes.substr(0, 4), "\x02XYZ");
    EXPECT_EQ(h.sent[0].bytes, BuildFrame(Layout::Short, '0', other.identity, Results{}));

    SimConfig silent = Auto();
    silent.silent = true;
    Harness quiet(silent);
    for (uint8_t b : {0x05, 0x15, 0x05, 0x06}) quiet.Receive(b);
    quiet.Advance(10000);
    EXPECT_TRUE(quiet.sent.empty());
}
