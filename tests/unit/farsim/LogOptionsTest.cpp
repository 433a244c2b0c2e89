// Log lines, latency figures and the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "farsim/Log.h"
#include "farsim/Options.h"

using namespace heliotab::farsim;

TEST(FarsimLog, ByteLinesAreMachineReadable) {
    EXPECT_EQ(ByteLine("rx", 0x05), "rx 05 ENQ");
    EXPECT_EQ(ByteLine("tx", 0x03), "tx 03 ETX");
    EXPECT_EQ(ByteLine("tx", 'F'), "tx 46 'F'");
    EXPECT_EQ(ByteLine("tx", 0xE9), "tx E9");
    EXPECT_EQ(TimePrefix(1234.5671), "t=1234.567 ");
}

TEST(FarsimLog, LatencyIsEtxToTheAckThatAnswersIt) {
    LatencyStats s;
    s.OnRx(0x06, 1);        // an ACK with no frame before it is no sample
    s.OnTx(0x03, 10);
    s.OnRx(0x05, 10.5);     // other bytes do not end the wait
    s.OnRx(0x06, 11.25);
    s.OnTx(0x03, 20);
    s.OnRx(0x15, 20.5);     // a NAK ends it unrecorded...
    s.OnRx(0x06, 21);       // ...so a later ACK is no sample either
    s.OnTx(0x03, 30);
    s.OnRx(0x06, 33);
    ASSERT_EQ(s.Samples().size(), 2u);
    EXPECT_DOUBLE_EQ(s.Samples()[0], 1.25);
    EXPECT_DOUBLE_EQ(s.Samples()[1], 3.0);
    EXPECT_EQ(s.Summary(), "stats etx-ack count=2 median=2.125 p99=3.000");
}

TEST(FarsimLog, MedianAndP99ByNearestRank) {
    LatencyStats s;
    for (int i = 100; i >= 1; --i) {  // 1..100 ms, in reverse order
        s.OnTx(0x03, 0);
        s.OnRx(0x06, i);
    }
    EXPECT_DOUBLE_EQ(s.Median(), 50.5);
    EXPECT_DOUBLE_EQ(s.P99(), 99);
    LatencyStats empty;
    EXPECT_EQ(empty.Summary(), "stats etx-ack count=0 median=0.000 p99=0.000");
}

namespace {
std::optional<Options> Parse(std::vector<std::string> args, std::string& error) {
    return ParseOptions(args, error);
}
}  // namespace

TEST(FarsimOptions, FullCommandLine) {
    std::string error;
    const auto o = Parse({"--pty-link", "/tmp/com3", "--layout", "long", "--make", "ACME",
                          "--version", "1.20", "--expiry", "05122026", "--aim", "RRRRRRRA",
                          "--lux", "1,2,3,4", "--height", "090", "--measure-after", "250",
                          "--result-after", "100", "--signoff-after", "50", "--fault", "split",
                          "--fault-count", "3", "--seed", "42", "--log", "l.txt", "--stats",
                          "--exit-after-tests", "2", "--timeout", "30", "--max-resend", "1", "--class", "XYZ",
                          "--silent"},
                         error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->ptyLink, "/tmp/com3");
    EXPECT_EQ(o->sim.layout, Layout::Long);
    EXPECT_EQ(o->sim.identity.make, "ACME");
    EXPECT_EQ(o->sim.identity.version, "1.20");
    EXPECT_EQ(o->sim.results.aim[7], "A");
    EXPECT_EQ(o->sim.results.lux[3], "4");
    EXPECT_EQ(o->sim.results.height, "090");
    EXPECT_EQ(o->sim.measureAfterMs, 250);
    EXPECT_EQ(o->sim.resultAfterMs, 100);
    EXPECT_EQ(o->sim.signoffAfterMs, 50);
    EXPECT_EQ(o->sim.fault, Fault::Split);
    EXPECT_EQ(o->sim.faultCount, 3);
    EXPECT_EQ(o->sim.seed, 42u);
    EXPECT_EQ(o->sim.exitAfterTests, 2);
    EXPECT_EQ(o->sim.maxResend, 1);
    EXPECT_EQ(o->sim.identity.deviceClass, "XYZ");
    EXPECT_TRUE(o->sim.silent);
    EXPECT_EQ(o->timeoutS, 30);
    EXPECT_TRUE(o->stats);
    EXPECT_EQ(o->logPath, "l.txt");
}

TEST(FarsimOptions, BadCommandLines) {
    struct Case { std::vector<std::string> args; const char* error; };
    const Case cases[] = {
        {{}, "give exactly one of --device and --pty-link"},
        {{"/dev/pts/3", "--pty-link", "x"}, "give exactly one of --device and --pty-link"},
        {{"--device"}, "--device needs a value"},
        {{"a", "--layout", "wide"}, "--layout: short, long or sep"},
        {{"a", "--measure-after", "1s"}, "--measure-after: not a number: 1s"},
        {{"a", "--fault", "noise"}, "--fault: unknown fault noise"},
        {{"a", "--lux", "1,2"}, "--lux: lux needs 4 values"},
        {{"a", "--make", "MUCH TOO LONG"}, "--make: value too long for the short layout"},
        {{"a", "--aim", "R#,R,R,R,R,R,R,R"}, "--aim: value too long for the short layout"},
        {{"a", "--demo", "--scenario", "s.txt"}, "--demo and --scenario exclude each other"},
        {{"a", "--class", "FARX"}, "--class: three characters"},
        {{"a", "b"}, "unknown argument b"},
        {{"a", "--bogus"}, "unknown argument --bogus"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Parse(c.args, error).has_value()) << c.error;
        EXPECT_EQ(error, c.error);
    }
    std::string error;
    const auto sep = Parse({"a", "--layout", "sep", "--aim", "R#,R,R,R,R,R,R,R"}, error);
    ASSERT_TRUE(sep.has_value()) << error;
    EXPECT_EQ(sep->device, "a");
}
