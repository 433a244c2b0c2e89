// Frames as the simulator builds them, byte for byte, for every layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "farsim/Frame.h"

using namespace heliotab::farsim;

namespace {

Identity SampleIdentity() {
    Identity id;
    id.make = "ACME";
    id.model = "HL-5";
    id.approval = "OM1234";
    id.serial = "0042";
    id.version = "1.20";
    id.expiry = "05122026";
    return id;
}

Results SampleResults() {
    Results r;
    r.aim = {"R", "R", "A", "R", "I", "R", "R", "A"};
    r.lux = {"3.75", "90.01", "20", "150"};
    r.height = "085";
    r.type = "A";
    r.config = "1";
    return r;
}

std::string Wire(const std::string& body) {
    return "\x02" + body + "\x03";
}

// 1-based position p of the frame as the receiver counts it.
char At(const std::string& frame, int p) { return frame[static_cast<size_t>(p - 1)]; }

// The whole frames below pin every byte; the sizes tie them to the lengths the
// simulator announces.
std::vector<std::string> SplitAtNul(const std::string& s) {
    std::vector<std::string> fields(1);
    for (char c : s) {
        if (c == '\0') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

}  // namespace

TEST(FarsimChecksum, LowByteOfSumAsUpperCaseHex) {
    EXPECT_EQ(ChecksumOf("abc"), "26");        // 294 = 0x126
    EXPECT_EQ(ChecksumOf(""), "00");
    EXPECT_EQ(ChecksumOf("\xFF\x01"), "00");   // wraps at 256
    EXPECT_EQ(ChecksumOf("\xFA"), "FA");       // letters upper case
    EXPECT_EQ(ChecksumOf(std::string("A\0B", 3)), "83");  // NULs count as zero, are not skipped
}

TEST(FarsimFrame, FixedLayoutsByteForByte) {
    Identity longId = SampleIdentity();
    longId.model = "HL-5 LONG MODEL";
    longId.approval = "OM1234/2020";
    longId.version = "1.2A";
    const std::string shortHead = "FAR01ACME      HL-5      OM1234      00421.2005122026";
    const std::string longHead = "FAR01ACME      HL-5 LONG MODEL     OM1234/2020             00421.2A05122026";
    const std::string block = "RRARIRRA  3.75 90.01    20   150085A ";
    struct Row {
        Layout layout;
        char status;
        std::string body;
        int length;
    };
    for (const Row& r : {Row{Layout::Short, '0', shortHead + "0" "35", kShortIdentityLen},
                         Row{Layout::Long, '0', longHead + "0" "DA", kLongIdentityLen},
                         Row{Layout::Short, '2', shortHead + "2" + block + "97", kShortResultsLen},
                         Row{Layout::Long, '2', longHead + "2" + block + "3C", kLongResultsLen}}) {
        const std::string f = BuildFrame(r.layout, r.status, r.layout == Layout::Long ? longId : SampleIdentity(),
                                         r.status == '2' ? SampleResults() : Results{});
        EXPECT_EQ(f, Wire(r.body)) << r.body;
        EXPECT_EQ(f.size() - 1, static_cast<size_t>(r.length)) << r.body;
    }
    for (char status : {'1', '3', '5'}) {
        const std::string s = BuildFrame(Layout::Short, status, SampleIdentity(), Results{});
        EXPECT_EQ(s.size() - 1, 57u);
        EXPECT_EQ(At(s, 55), status);
        const std::string l = BuildFrame(Layout::Long, status, SampleIdentity(), Results{});
        EXPECT_EQ(l.size() - 1, 79u);
        EXPECT_EQ(At(l, 77), status);
        EXPECT_EQ(l.substr(l.size() - 3, 2), ChecksumOf(l.substr(1, l.size() - 4)));
    }
}

TEST(FarsimFrame, SeparatedResultsByteForByte) {
    Results r = SampleResults();
    r.aim[0] = "R#";
    r.lux = {"2.0", "90", "7.5", "150"};
    const std::string f = BuildFrame(Layout::Separated, '2', SampleIdentity(), r);
    static const char kSpan[] =
        "FAR01\0\0ACME\0HL-5\0OM1234\0" "0042\0" "1.20\0" "05122026\0" "2\0R#\0R\0A\0R\0I\0R\0R\0A\0"
        "2.0\0" "90\0" "7.5\0" "150\0" "085\0A\0" "1\0";
    const std::string span(kSpan, sizeof kSpan - 1);
    EXPECT_EQ(f, "\x02" + span + "B7\x03");
}

TEST(FarsimFrame, SeparatedIdentityKeepsStatusFieldClean) {
    const std::string f = BuildFrame(Layout::Separated, '0', SampleIdentity(), Results{});
    const auto fields = SplitAtNul(f.substr(0, f.size() - 1));
    ASSERT_EQ(fields.size(), 10u);
    EXPECT_EQ(fields[3], "HL-5");
    EXPECT_EQ(fields[6], "1.20");
    EXPECT_EQ(fields[8], "0");
    EXPECT_EQ(fields[9], ChecksumOf(f.substr(1, f.size() - 4)));
}

TEST(FarsimFrame, FieldWidthsAreCheckedPerLayout) {
    Identity id = SampleIdentity();
    Results r = SampleResults();
    EXPECT_EQ(CheckFieldWidths(Layout::Short, id, r), "");
    id.model = "ELEVEN CHAR";  // 11 > 10 in the short form, fits the long one
    EXPECT_EQ(CheckFieldWidths(Layout::Short, id, r), "model");
    EXPECT_EQ(CheckFieldWidths(Layout::Long, id, r), "");
    r.aim[3] = "R#";  // marks exist only in the separated layout
    EXPECT_EQ(CheckFieldWidths(Layout::Long, id, r), "aim");
    EXPECT_EQ(CheckFieldWidths(Layout::Separated, id, r), "");
    r = SampleResults();
    r.lux[2] = "1234.56";
    EXPECT_EQ(CheckFieldWidths(Layout::Short, SampleIdentity(), r), "lux");
}
