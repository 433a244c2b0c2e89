// The tester simulator where the end-to-end runs (short layout, demo and scenario runs, a
// disconnect) do not reach: the long and separated layouts, the other faults, NAK resends and
// their limit, answers that never come.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "farsim/Faults.h"
#include "farsim/Simulator.h"

using namespace heliotab::farsim;

namespace {

constexpr unsigned char kEnq = 0x05, kAck = 0x06, kNak = 0x15, kCan = 0x18;

Identity SampleIdentity() {
    Identity id;
    id.make = "ACME", id.model = "HL-5", id.approval = "OM1234", id.serial = "0042";
    id.version = "1.20", id.expiry = "05122026";
    return id;
}
Results SampleResults() {
    Results r;
    r.aim = {"R", "R", "A", "R", "I", "R", "R", "A"}, r.lux = {"3.75", "90.01", "20", "150"};
    r.height = "085", r.type = "A", r.config = "1";
    return r;
}
std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

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
    sim.Start(now), collect();
    for (const auto& [waitMs, byte] : bytes) {
        const double until = now + waitMs;
        for (auto d = sim.NextDeadline(); d && *d <= until; d = sim.NextDeadline())
            sim.OnTime(now = std::max(now, *d)), collect();
        now = until;
        if (byte)
            sim.OnByte(byte, now), collect();
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
    Identity longId = SampleIdentity();
    longId.model = "HL-5 LONG MODEL", longId.approval = "OM1234/2020", longId.version = "1.2A";
    EXPECT_EQ(BuildFrame(Layout::Long, '2', longId, SampleResults()),
              "\x02"
              "FAR01ACME      HL-5 LONG MODEL     OM1234/2020             00421.2A05122026"
              "2RRARIRRA  3.75 90.01    20   150085A 3C\x03");
    Results r = SampleResults();
    r.aim[0] = "R#", r.lux = {"2.0", "90", "7.5", "150"};
    static const char kSeparated[] = "\x02"
                                     "FAR01\0\0ACME\0HL-5\0OM1234\0"
                                     "0042\0"
                                     "1.20\0"
                                     "05122026\0"
                                     "2\0R#\0R\0A\0R\0I\0R\0R\0A\0"
                                     "2.0\0"
                                     "90\0"
                                     "7.5\0"
                                     "150\0"
                                     "085\0A\0"
                                     "1\0"
                                     "B7\x03";
    EXPECT_EQ(BuildFrame(Layout::Separated, '2', SampleIdentity(), r),
              std::string(kSeparated, sizeof kSeparated - 1));
}

TEST(Farsim, FaultsPutOnTheWireWhatTheyClaim) {
    std::mt19937 rng(7);
    const std::string good = BuildFrame(Layout::Short, '1', {}, {});
    const std::string body = good.substr(0, good.size() - 3), sum = good.substr(good.size() - 3, 2);
    auto wire = [&](Fault fault) {
        std::vector<std::string> chunks;
        for (const Chunk& c :
             MakeTransmission(FrameRequest{Layout::Short, '1', {}, {}}, fault, rng).chunks)
            chunks.push_back(c.bytes);
        return chunks;
    };
    for (int i = 0; i < 20; ++i) { // random choices: several draws
        const auto checksum = wire(Fault::Checksum), lower = wire(Fault::Lowercase);
        const auto garbage = wire(Fault::Garbage), split = wire(Fault::Split);
        EXPECT_THAT(checksum, testing::ElementsAre(testing::StartsWith(body)));
        EXPECT_NE(checksum[0].substr(body.size(), 2), sum);
        EXPECT_EQ(Upper(checksum[0]), checksum[0]);
        EXPECT_EQ(checksum[0].size(), good.size());
        // A frame of its own whose checksum has a letter: that letter in lower case.
        const std::string carried = lower[0].substr(lower[0].size() - 3, 2);
        EXPECT_NE(carried, Upper(carried));
        EXPECT_EQ(Upper(carried), ChecksumOf(lower[0].substr(1, lower[0].size() - 4)));
        EXPECT_THAT(garbage, testing::ElementsAre(testing::Not(testing::HasSubstr("\x02")), good));
        EXPECT_THAT(garbage[0], testing::Not(testing::HasSubstr("\x03")));
        EXPECT_EQ(split.size(), 4u);
        EXPECT_EQ(split[0] + split[1] + split[2] + split[3], good);
    }
}

TEST(Farsim, RepliesOnSchedule) {
    SimConfig cfg;
    cfg.measureAfterMs = 500, cfg.resultAfterMs = 300, cfg.quietWindowMs = 1000;
    const ScheduleRow rows[] = {
        {"one test",
         3,
         {{5000, kEnq}, {1500, kAck}, {300, kAck}},
         {{'0', 5000}, {'1', 6500}, {'2', 6800}}},
        {"a NAK in the quiet window resends the identity and starts the window again",
         3,
         {{0, kEnq}, {500, kNak}, {1500, 0}},
         {{'0', 0}, {'0', 500}, {'1', 2000}}},
        {"NAKs resend up to the limit",
         2,
         {{0, kEnq}, {1500, kNak}, {0, kNak}, {0, kNak}, {20000, 0}},
         {{'0', 0}, {'1', 1500}, {'1', 1500}, {'1', 1500}}},
        {"a cancelled offer is not repeated",
         3,
         {{0, kEnq}, {1500, kCan}, {20000, 0}},
         {{'0', 0}, {'1', 1500}}},
        {"an offer left unanswered is not repeated",
         3,
         {{0, kEnq}, {20000, 0}},
         {{'0', 0}, {'1', 1500}}},
    };
    for (const ScheduleRow& row : rows) {
        cfg.maxResend = row.maxResend;
        EXPECT_EQ(Play(cfg, row.program), row.sent) << row.what;
    }
}
