// The descriptor's positions, class choices and the numbers of a descriptor.
#include <gtest/gtest.h>

#include "reservation/MaskField.h"

using namespace heliotab;

TEST(MaskDescriptor, PositionsOneToSix) {
    MaskField f = ParseDescriptor("N,S,1,1,S,N");
    EXPECT_EQ(f.Presence, "N");
    EXPECT_EQ(f.FieldType, "S");
    EXPECT_EQ(f.MaxLen, "1");
    EXPECT_EQ(f.MinLen, "1");
    EXPECT_EQ(f.Choices, (std::vector<std::string>{"S", "N"}));

    f = ParseDescriptor("O,N,3.2,1");
    EXPECT_EQ(f.MaxLen, "3.2");
    EXPECT_EQ(f.MinLen, "1");
    EXPECT_TRUE(f.Choices.empty());

    f = ParseDescriptor("N,C,8");  // no "," after MaxLen: no MinLen, no choices
    EXPECT_EQ(f.MaxLen, "8");
    EXPECT_EQ(f.MinLen, "0");
    EXPECT_TRUE(f.Choices.empty());
}

TEST(MaskDescriptor, SeparatorsAreNeverLookedAt) {
    MaskField f = ParseDescriptor("NxDy8,8");
    EXPECT_EQ(f.Presence, "N");
    EXPECT_EQ(f.FieldType, "D");
    EXPECT_EQ(f.MaxLen, "8");
    EXPECT_EQ(f.MinLen, "8");
}

TEST(MaskDescriptor, ChoicesTakenAsWrittenIncludingEmptyOnes) {
    MaskField f = ParseDescriptor("N,S,5,, A,,[0-9],");
    EXPECT_EQ(f.MinLen, "0");  // empty MinLen
    EXPECT_EQ(f.Choices, (std::vector<std::string>{" A", "", "[0-9]", ""}));
}

TEST(MaskDescriptor, ShortDescriptorsLeaveEmptyPositions) {
    MaskField f = ParseDescriptor("");
    EXPECT_EQ(f.Presence, "");
    EXPECT_EQ(f.FieldType, "");
    EXPECT_EQ(f.MaxLen, "");
    EXPECT_EQ(f.MinLen, "0");
    f = ParseDescriptor("N,S");
    EXPECT_EQ(f.Presence, "N");
    EXPECT_EQ(f.FieldType, "S");
    EXPECT_EQ(f.MaxLen, "");
    f = ParseDescriptor("N,S,");
    EXPECT_EQ(f.MaxLen, "");
}

TEST(MaskDescriptor, PositionSevenEmptyMaxLen) {
    MaskField f = ParseDescriptor("N,S,,3");
    EXPECT_TRUE(CompleteMaxLen(f));
    EXPECT_EQ(f.MaxLen, "50");
    MaskField c = ParseDescriptor("N,C,,3");
    EXPECT_FALSE(CompleteMaxLen(c));
    MaskField kept = ParseDescriptor("N,S,7");
    EXPECT_TRUE(CompleteMaxLen(kept));
    EXPECT_EQ(kept.MaxLen, "7");
}

TEST(MaskDescriptor, CharacterClasses) {
    CharClass c;
    ASSERT_TRUE(ParseCharClass("[A-Z]", c));
    EXPECT_EQ(c.from, 'A');
    EXPECT_EQ(c.to, 'Z');
    ASSERT_TRUE(ParseCharClass("[/]", c));
    EXPECT_EQ(c.from, '/');
    EXPECT_EQ(c.to, '/');
    ASSERT_TRUE(ParseCharClass("[]]", c));
    EXPECT_EQ(c.from, ']');
    ASSERT_TRUE(ParseCharClass("[z-a]", c));  // backwards: recognised, refused when used
    EXPECT_GT(c.from, c.to);
    ASSERT_TRUE(ParseCharClass("[\xC0-\xFF]", c));
    EXPECT_EQ(c.from, 0xC0);
    EXPECT_EQ(c.to, 0xFF);
    for (const char* no : {"A", "[]", "[AB]", "[A-]", "[A-ZZ]", "A-Z", "(A-Z)", "[A_Z]", "[A-Z"})
        EXPECT_FALSE(ParseCharClass(no, c)) << no;
}

TEST(MaskDescriptor, WholeNumbers) {
    long v = -1;
    EXPECT_TRUE(ParseWholeNumber("50", v));
    EXPECT_EQ(v, 50);
    EXPECT_TRUE(ParseWholeNumber(" 7 ", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ParseWholeNumber("2147483647", v));
    EXPECT_EQ(v, 2147483647L);
    for (const char* no : {"", " ", "abc", "3.2", "1e3", "99999999999999999999", "2147483648", "-", "5x", "0x10"})
        EXPECT_FALSE(ParseWholeNumber(no, v)) << no;
}
