// Each line fault puts on the wire exactly what it claims.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "farsim/Faults.h"

using namespace heliotab::farsim;

namespace {

FrameRequest Request(Layout layout, char status) {
    FrameRequest r;
    r.layout = layout;
    r.status = status;
    return r;
}

std::string Joined(const Transmission& t) {
    std::string s;
    for (const Chunk& c : t.chunks) s += c.bytes;
    return s;
}

// Checksum the frame carries, and the one its span calls for.
std::string Carried(const std::string& f) { return f.substr(f.size() - 3, 2); }
std::string Due(const std::string& f) { return ChecksumOf(f.substr(1, f.size() - 4)); }

}  // namespace

TEST(FarsimFaults, NoFaultIsTheFrameInOneWrite) {
    std::mt19937 rng(1);
    const FrameRequest req = Request(Layout::Long, '2');
    const Transmission t = MakeTransmission(req, Fault::None, rng);
    ASSERT_EQ(t.chunks.size(), 1u);
    EXPECT_EQ(t.chunks[0].bytes, BuildFrame(req.layout, req.status, req.identity, req.results));
    EXPECT_EQ(t.frameLength, 116u);
    EXPECT_FALSE(t.hangUpAfter);
}

TEST(FarsimFaults, ChecksumFaultGivesAWellFormedWrongChecksum) {
    std::mt19937 rng(1);
    for (Layout l : {Layout::Short, Layout::Long, Layout::Separated}) {
        for (char status : {'0', '1', '2', '3'}) {
            const std::string f = Joined(MakeTransmission(Request(l, status), Fault::Checksum, rng));
            const std::string good = BuildFrame(l, status, Identity{}, Results{});
            EXPECT_NE(Carried(f), Due(f));
            EXPECT_EQ(f.substr(0, f.size() - 3), good.substr(0, good.size() - 3));  // only the checksum differs
            for (char c : Carried(f)) EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)) && !std::islower(static_cast<unsigned char>(c)));
            EXPECT_EQ(f.back(), '\x03');
        }
    }
}

TEST(FarsimFaults, LowercaseFaultAlwaysHasALetterToLower) {
    std::mt19937 rng(1);
    for (Layout l : {Layout::Short, Layout::Long, Layout::Separated}) {
        for (char status : {'0', '1', '2', '3'}) {
            const std::string f = Joined(MakeTransmission(Request(l, status), Fault::Lowercase, rng));
            const std::string carried = Carried(f), due = Due(f);
            EXPECT_NE(carried, due) << "a digits-only checksum would make the fault a no-op";
            std::string upper = carried;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(upper, due);
            EXPECT_EQ(f.substr(0, 4), "\x02" "FAR");
        }
    }
}

TEST(FarsimFaults, GarbageComesAloneBeforeAnIntactFrame) {
    std::mt19937 rng(7);
    const FrameRequest req = Request(Layout::Short, '1');
    const Transmission t = MakeTransmission(req, Fault::Garbage, rng);
    ASSERT_EQ(t.chunks.size(), 2u);
    const std::string& noise = t.chunks[0].bytes;
    EXPECT_GE(noise.size(), 3u);
    EXPECT_EQ(noise.find('\x02'), std::string::npos);
    EXPECT_EQ(noise.find('\x03'), std::string::npos);
    EXPECT_EQ(t.chunks[1].bytes, BuildFrame(req.layout, req.status, req.identity, req.results));
    EXPECT_GT(t.chunks[1].delayBeforeMs, 0);

    std::mt19937 again(7);
    EXPECT_EQ(MakeTransmission(req, Fault::Garbage, again).chunks[0].bytes, noise);  // same seed, same bytes
}

TEST(FarsimFaults, SplitFrameReassemblesExactly) {
    std::mt19937 rng(1);
    const FrameRequest req = Request(Layout::Long, '2');
    const Transmission t = MakeTransmission(req, Fault::Split, rng);
    ASSERT_EQ(t.chunks.size(), 4u);
    EXPECT_EQ(Joined(t), BuildFrame(req.layout, req.status, req.identity, req.results));
    EXPECT_EQ(t.chunks.front().bytes, "\x02");
    EXPECT_EQ(t.chunks.back().bytes, "\x03");
    for (size_t i = 1; i < t.chunks.size(); ++i) EXPECT_GT(t.chunks[i].delayBeforeMs, 0);
}

TEST(FarsimFaults, DisconnectStopsMidFrameAndHangsUp) {
    std::mt19937 rng(1);
    const FrameRequest req = Request(Layout::Short, '2');
    const Transmission t = MakeTransmission(req, Fault::Disconnect, rng);
    const std::string full = BuildFrame(req.layout, req.status, req.identity, req.results);
    EXPECT_TRUE(t.hangUpAfter);
    const std::string sent = Joined(t);
    EXPECT_GT(sent.size(), 1u);
    EXPECT_LT(sent.size(), full.size());
    EXPECT_EQ(full.compare(0, sent.size(), sent), 0);
    EXPECT_EQ(sent.find('\x03'), std::string::npos);
}

TEST(FarsimFaults, NamesRoundTrip) {
    for (Fault f : {Fault::None, Fault::Checksum, Fault::Lowercase, Fault::Garbage, Fault::Split, Fault::Disconnect})
        EXPECT_EQ(ParseFault(FaultName(f)), f);
    EXPECT_FALSE(ParseFault("CHECKSUM").has_value());
}
