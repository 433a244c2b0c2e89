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

TEST(FarsimFrame, ShortIdentityByteForByte) {
    const std::string f = BuildFrame(Layout::Short, '0', SampleIdentity(), Results{});
    EXPECT_EQ(f, Wire("FAR01ACME      HL-5      OM1234      00421.20051220260" "35"));
    ASSERT_EQ(f.size() - 1, static_cast<size_t>(kShortIdentityLen));
    EXPECT_EQ(f.substr(6, 10), "ACME      ");   // positions 7-16
    EXPECT_EQ(f.substr(16, 10), "HL-5      ");  // 17-26
    EXPECT_EQ(f.substr(26, 12), "OM1234      ");  // 27-38
    EXPECT_EQ(f.substr(38, 4), "0042");         // 39-42
    EXPECT_EQ(f.substr(42, 4), "1.20");         // 43-46
    EXPECT_EQ(f.substr(46, 8), "05122026");     // 47-54
    EXPECT_EQ(At(f, 55), '0');
}

TEST(FarsimFrame, LongIdentityByteForByte) {
    Identity id = SampleIdentity();
    id.model = "HL-5 LONG MODEL";
    id.approval = "OM1234/2020";
    id.version = "1.2A";
    const std::string f = BuildFrame(Layout::Long, '0', id, Results{});
    EXPECT_EQ(f, Wire("FAR01ACME      HL-5 LONG MODEL     OM1234/2020             00421.2A051220260" "DA"));
    ASSERT_EQ(f.size() - 1, static_cast<size_t>(kLongIdentityLen));
    EXPECT_EQ(f.substr(16, 20), "HL-5 LONG MODEL     ");  // 17-36
    EXPECT_EQ(f.substr(36, 24), "OM1234/2020             ");  // 37-60
    EXPECT_EQ(f.substr(60, 4), "0042");  // 61-64
    EXPECT_EQ(f.substr(64, 4), "1.2A");  // 65-68
    EXPECT_EQ(f.substr(68, 8), "05122026");  // 69-76
    EXPECT_EQ(At(f, 77), '0');
}

TEST(FarsimFrame, StatusFramesKeepTheIdentityLength) {
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

TEST(FarsimFrame, ShortResultsByteForByte) {
    const std::string f = BuildFrame(Layout::Short, '2', SampleIdentity(), SampleResults());
    EXPECT_EQ(f, Wire("FAR01ACME      HL-5      OM1234      00421.20051220262"
                      "RRARIRRA  3.75 90.01    20   150085A " "97"));
    ASSERT_EQ(f.size() - 1, static_cast<size_t>(kShortResultsLen));
    EXPECT_EQ(At(f, 55), '2');
    const std::string block = f.substr(55, 36);  // from b = 56
    EXPECT_EQ(block.substr(0, 8), "RRARIRRA");
    EXPECT_EQ(block.substr(8, 6), "  3.75");
    EXPECT_EQ(block.substr(14, 6), " 90.01");
    EXPECT_EQ(block.substr(20, 6), "    20");
    EXPECT_EQ(block.substr(26, 6), "   150");
    EXPECT_EQ(block.substr(32, 3), "085");
    EXPECT_EQ(block.substr(35, 1), "A");
    EXPECT_EQ(f.substr(93 - 1, 2), "97");  // checksum at 93-94
}

TEST(FarsimFrame, LongResultsByteForByte) {
    Identity id = SampleIdentity();
    id.model = "HL-5 LONG MODEL";
    id.approval = "OM1234/2020";
    id.version = "1.2A";
    const std::string f = BuildFrame(Layout::Long, '2', id, SampleResults());
    EXPECT_EQ(f, Wire("FAR01ACME      HL-5 LONG MODEL     OM1234/2020             00421.2A051220262"
                      "RRARIRRA  3.75 90.01    20   150085A " "3C"));
    ASSERT_EQ(f.size() - 1, static_cast<size_t>(kLongResultsLen));
    EXPECT_EQ(At(f, 77), '2');
    EXPECT_EQ(f.substr(77, 8), "RRARIRRA");  // b = 78
    EXPECT_EQ(f.substr(77 + 32, 4), "085A");
}

TEST(FarsimFrame, SeparatedResultsFieldByField) {
    Results r = SampleResults();
    r.aim[0] = "R#";
    r.lux = {"2.0", "90", "7.5", "150"};
    const std::string f = BuildFrame(Layout::Separated, '2', SampleIdentity(), r);
    static const char kSpan[] =
        "FAR01\0\0ACME\0HL-5\0OM1234\0" "0042\0" "1.20\0" "05122026\0" "2\0R#\0R\0A\0R\0I\0R\0R\0A\0"
        "2.0\0" "90\0" "7.5\0" "150\0" "085\0A\0" "1\0";
    const std::string span(kSpan, sizeof kSpan - 1);
    EXPECT_EQ(f, "\x02" + span + "B7\x03");

    // Cut as the receiver does: STX to checksum, at every NUL.
    const auto fields = SplitAtNul(f.substr(0, f.size() - 1));
    ASSERT_EQ(fields.size(), 25u);
    EXPECT_EQ(fields[0], "\x02" "FAR01");
    EXPECT_EQ(fields[2], "ACME");
    EXPECT_EQ(fields[7], "05122026");
    EXPECT_EQ(fields[8], "2");
    EXPECT_EQ(fields[9], "R#");
    EXPECT_EQ(fields[16], "A");
    EXPECT_EQ(fields[17], "2.0");
    EXPECT_EQ(fields[20], "150");
    EXPECT_EQ(fields[21], "085");
    EXPECT_EQ(fields[22], "A");
    EXPECT_EQ(fields[23], "1");  // the code alone: the checksum went into a field after it
    EXPECT_EQ(fields[24], "B7");
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
