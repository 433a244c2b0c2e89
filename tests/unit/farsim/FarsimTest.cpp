// The tester simulator where the end-to-end runs (short layout, demo and scenario runs, a
// disconnect) do not reach: the long and separated layouts, the other faults, NAK resends and
// their limit, answers that never come.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "farsim/Faults.h"
#include "farsim/Simulator.h"

using namespace heliotab::farsim;
using namespace std::string_literals;
using testing::AnyOf, testing::ElementsAre, testing::HasSubstr, testing::Not;

namespace {

struct Sent { // a frame's status byte and when it went out
    char status;
    double ms;
    bool operator==(const Sent&) const = default;
};
void PrintTo(const Sent& s, std::ostream* os) {
    *os << s.status << "@" << s.ms;
}

struct Byte { // after waitMs, the program sends byte (0: nothing)
    double waitMs;
    unsigned char byte;
};

std::vector<Sent> Play(const SimConfig& cfg, const std::vector<Byte>& bytes) {
    Simulator sim(cfg);
    std::vector<Sent> sent;
    double now = 0;
    auto collect = [&] {
        for (const Effect& e : sim.TakeEffects())
            if (e.kind == Effect::Kind::Send)
                sent.push_back({e.chunks.front().bytes.at(54), now});
    };
    sim.Start(now);
    collect();
    for (const auto& [waitMs, byte] : bytes) {
        const double until = now + waitMs;
        for (auto d = sim.NextDeadline(); d && *d <= until; d = sim.NextDeadline()) {
            now = std::max(now, *d);
            sim.OnTime(now);
            collect();
        }
        now = until;
        if (byte)
            sim.OnByte(byte, now);
        collect();
    }
    return sent;
}

struct ScheduleRow {
    const char* what;
    int maxResend;
    std::vector<Byte> program;
    std::vector<Sent> sent;
};

} // namespace

TEST(Farsim, LongAndSeparatedFramesByteForByte) {
    Results r; // a mark the fixed layouts have no room for
    r.aim = {"R#", "R", "A", "R", "I", "R", "R", "A"};
    r.lux = {"3.75", "90.01", "20", "150"};
    EXPECT_EQ(BuildFrame(Layout::Long, '2', {}, r),
              "\x02"
              "FAR01FARSIM    HT-1                OM12345                 00011.2A31122030"
              "2RRARIRRA  3.75 90.01    20   150 85A D2\x03");
    EXPECT_EQ(BuildFrame(Layout::Separated, '2', {}, r), "\x02"
                                                         "FAR01\0\0FARSIM\0HT-1\0OM12345\0"
                                                         "0001\0"
                                                         "1.2A\0"
                                                         "31122030\0"
                                                         "2\0R#\0R\0A\0R\0I\0R\0R\0A\0"
                                                         "3.75\0"
                                                         "90.01\0"
                                                         "20\0"
                                                         "150\0"
                                                         "85\0A\0"
                                                         "2\0"
                                                         "07\x03"s);
}

TEST(Farsim, FaultsPutOnTheWireWhatTheyClaim) {
    std::mt19937 rng(7);
    auto wire = [&](Fault fault) {
        std::vector<std::string> chunks;
        for (const Chunk& c : MakeTransmission({Layout::Short, '1', {}, {}}, fault, rng).chunks)
            chunks.push_back(c.bytes);
        return chunks;
    };
    const std::string good = "\x02"
                             "FAR01FARSIM    HT-1      OM12345     00011.2A311220301C1\x03";
    EXPECT_THAT(wire(Fault::Checksum),
                ElementsAre("\x02"
                            "FAR01FARSIM    HT-1      OM12345     00011.2A311220301C2\x03"));
    // A frame of its own whose checksum has a letter: that letter in lower case.
    EXPECT_THAT(wire(Fault::Lowercase),
                ElementsAre("\x02"
                            "FAR00FARSIM    HT-1      OM12345     00011.2A311220301c0\x03"));
    EXPECT_THAT(wire(Fault::Split), ElementsAre("\x02", "FAR01FARSIM    HT-1      OM1",
                                                "2345     00011.2A311220301C1", "\x03"));
    for (int i = 0; i < 20; ++i) // random noise: several draws
        EXPECT_THAT(wire(Fault::Garbage),
                    ElementsAre(Not(AnyOf(HasSubstr("\x02"), HasSubstr("\x03"))), good));
}

TEST(Farsim, RepliesOnSchedule) {
    SimConfig cfg;
    cfg.measureAfterMs = 500, cfg.resultAfterMs = 300, cfg.quietWindowMs = 1000;
    const ScheduleRow rows[] = {
        {"one test",
         3,
         {{5000, kENQ}, {1500, kACK}, {300, kACK}},
         {{'0', 5000}, {'1', 6500}, {'2', 6800}}},
        {"a NAK in the quiet window resends the identity and starts the window again",
         3,
         {{0, kENQ}, {500, kNAK}, {1500, 0}},
         {{'0', 0}, {'0', 500}, {'1', 2000}}},
        {"NAKs resend up to the limit",
         2,
         {{0, kENQ}, {1500, kNAK}, {0, kNAK}, {0, kNAK}, {20000, 0}},
         {{'0', 0}, {'1', 1500}, {'1', 1500}, {'1', 1500}}},
        {"a cancelled offer is not repeated",
         3,
         {{0, kENQ}, {1500, kCAN}, {20000, 0}},
         {{'0', 0}, {'1', 1500}}},
        {"an offer left unanswered is not repeated",
         3,
         {{0, kENQ}, {20000, 0}},
         {{'0', 0}, {'1', 1500}}},
    };
    for (const ScheduleRow& row : rows) {
        cfg.maxResend = row.maxResend;
        EXPECT_EQ(Play(cfg, row.program), row.sent) << row.what;
    }
}
