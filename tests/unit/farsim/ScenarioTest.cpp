// Scenario files and the results values shared with the command line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "farsim/Scenario.h"

using namespace heliotab::farsim;

TEST(FarsimScenario, ParsesEveryStepKind) {
    const char* text =
        "# one test with a bad first checksum\r\n"
        "wait-enq 5000\n"
        "\n"
        "   wait 250   # settle\n"
        "fault checksum 2\n"
        "send status1\n"
        "expect ACK 2000\n"
        "send result lux=3.75,4,20,150 aim=R#,R,A,R,R,R,R,I config=3 height=085 type=B\n"
        "send status 5\n"
        "send raw 02 46 41 52 03\n"
        "send signoff\n"
        "expect NONE\n"
        "disconnect\n"
        "send identity\n";
    std::string error;
    const auto steps = ParseScenario(text, error);
    ASSERT_TRUE(steps.has_value()) << error;
    ASSERT_EQ(steps->size(), 12u);
    const auto& s = *steps;
    EXPECT_EQ(s[0].kind, StepKind::WaitEnq);
    EXPECT_EQ(s[0].ms, 5000);
    EXPECT_EQ(s[0].line, 2);
    EXPECT_EQ(s[1].kind, StepKind::Wait);
    EXPECT_EQ(s[1].ms, 250);
    EXPECT_EQ(s[2].kind, StepKind::Fault);
    EXPECT_EQ(s[2].fault, Fault::Checksum);
    EXPECT_EQ(s[2].count, 2);
    EXPECT_EQ(s[3].kind, StepKind::Send);
    EXPECT_EQ(s[3].status, '1');
    EXPECT_EQ(s[4].kind, StepKind::Expect);
    EXPECT_EQ(s[4].expect, Answer::Ack);
    EXPECT_EQ(s[4].ms, 2000);
    EXPECT_EQ(s[5].status, '2');
    ASSERT_EQ(s[5].values.size(), 5u);
    EXPECT_EQ(s[5].values[1].second, "R#,R,A,R,R,R,R,I");  // "#" inside a word is no comment
    EXPECT_EQ(s[6].status, '5');
    EXPECT_EQ(s[7].kind, StepKind::SendRaw);
    EXPECT_EQ(s[7].raw, "\x02" "FAR\x03");
    EXPECT_EQ(s[8].status, '3');
    EXPECT_EQ(s[9].expect, Answer::None);
    EXPECT_EQ(s[9].ms, -1);
    EXPECT_EQ(s[10].kind, StepKind::Disconnect);
    EXPECT_EQ(s[11].status, '0');
}

TEST(FarsimScenario, ErrorsNameTheLine) {
    struct Case { const char* text; const char* error; };
    const Case cases[] = {
        {"wait\n", "line 1: wait needs MS"},
        {"\nwait -5\n", "line 2: bad milliseconds '-5'"},
        {"wait 10ms\n", "line 1: bad milliseconds '10ms'"},
        {"send hello\n", "line 1: unknown frame 'hello'"},
        {"send raw 0\n", "line 1: bad hex bytes"},
        {"send raw zz\n", "line 1: bad hex bytes"},
        {"send status 12\n", "line 1: send status C"},
        {"expect ACKS\n", "line 1: unknown answer 'ACKS'"},
        {"fault noise\n", "line 1: unknown fault 'noise'"},
        {"send result lux=1,2,3\n", "line 1: lux needs 4 values"},
        {"send result lux=1,2,x,4\n", "line 1: bad lux value 'x'"},
        {"send result aim=RRR\n", "line 1: aim needs 8 verdicts"},
        {"send result colour=red\n", "line 1: unknown result key 'colour'"},
        {"send result lux\n", "line 1: expected key=value, got 'lux'"},
        {"jump 3\n", "line 1: unknown step 'jump'"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseScenario(c.text, error).has_value()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(FarsimScenario, EmptyTextIsAnEmptyScenario) {
    std::string error;
    const auto steps = ParseScenario("# nothing\n\n", error);
    ASSERT_TRUE(steps.has_value());
    EXPECT_TRUE(steps->empty());
}

TEST(FarsimScenario, ResultValues) {
    Results r;
    std::string error;
    ASSERT_TRUE(ApplyResultValue(r, "aim", "RAIRRRRA", error));
    EXPECT_EQ(r.aim[1], "A");
    EXPECT_EQ(r.aim[7], "A");
    ASSERT_TRUE(ApplyResultValue(r, "aim", "R#,a ,I,R,R,R,R,R", error));
    EXPECT_EQ(r.aim[0], "R#");
    EXPECT_EQ(r.aim[1], "a ");
    ASSERT_TRUE(ApplyResultValue(r, "lux", "12.5,-1,0.5,150", error));
    EXPECT_EQ(r.lux[1], "-1");
    EXPECT_FALSE(ApplyResultValue(r, "lux", "12,5,1,2,3", error));
    EXPECT_FALSE(ApplyResultValue(r, "lux", "1,2,x,4", error));
    EXPECT_EQ(r.lux[0], "12.5");  // a refused value changes nothing
    EXPECT_EQ(r.lux[1], "-1");
}

TEST(FarsimScenario, ShippedExamplesParse) {
    for (const char* name : {"one-test.txt", "bad-checksums.txt", "split-and-garbage.txt"}) {
        const std::string path = std::string(HELIOTAB_SOURCE_DIR) + "/tools/farsim/scenarios/" + name;
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path;
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        const auto steps = ParseScenario(text.str(), error);
        ASSERT_TRUE(steps.has_value()) << name << ": " << error;
        EXPECT_GE(steps->size(), 4u) << name;
        EXPECT_EQ(steps->front().kind, StepKind::WaitEnq) << name;
    }
}
