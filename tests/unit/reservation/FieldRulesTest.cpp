// One descriptor against one value, grouped by presence and type.
#include <gtest/gtest.h>

#include "reservation/FieldRules.h"

using namespace heliotab;

namespace {
constexpr FieldOutcome kValid = FieldOutcome::Valid;
constexpr FieldOutcome kInvalid = FieldOutcome::Invalid;
constexpr FieldOutcome kMaskError = FieldOutcome::MaskError;
constexpr FieldOutcome kPresenceError = FieldOutcome::MaskPresenceError;
constexpr FieldOutcome kFailure = FieldOutcome::Failure;

FieldOutcome Acc(const char* d, const char* v) { return ApplyDescriptor(d, v, false); }
FieldOutcome Veh(const char* d, const char* v) { return ApplyDescriptor(d, v, true); }
}  // namespace

TEST(FieldPresence, IgnoredOptionalMandatory) {
    EXPECT_EQ(Acc("I,D,8,8", "not a date"), kValid);
    EXPECT_EQ(Acc("I,Q,abc", "x"), kValid);  // nothing else is examined
    for (const char* d : {"O,S,3,1", "O,C,5,5", "O,N,3.2,1", "O,D,8,8", "O,H,6,6", "O,E,1,1", "O,L,1,1"})
        EXPECT_EQ(Acc(d, ""), kValid) << d;
    EXPECT_EQ(Acc("O,D,8,8", "31022020"), kInvalid);  // non-empty: validated like N
    EXPECT_EQ(Acc("N,S,3", ""), kInvalid);
    EXPECT_EQ(Acc("N,S,3", "abc"), kValid);
}

TEST(FieldPresence, OtherLettersAreMaskErrors) {
    EXPECT_EQ(Acc("X,S,3", "abc"), kPresenceError);
    EXPECT_EQ(Acc("n,S,3", "abc"), kPresenceError);  // case-sensitive
    EXPECT_EQ(Acc("", "abc"), kPresenceError);
    EXPECT_EQ(Acc("X,S,3", ""), kPresenceError);
    // Presence is looked at before anything else, even an impossible MaxLen.
    EXPECT_EQ(Acc("Z,C", "abc"), kPresenceError);
}

TEST(FieldLength, MaxLenDefaultsAndNumbers) {
    EXPECT_EQ(Acc("N,S,", std::string(50, 'a').c_str()), kValid);
    EXPECT_EQ(Acc("N,S,", std::string(51, 'a').c_str()), kInvalid);
    EXPECT_EQ(Acc("N,S,,2", "a"), kInvalid);  // MinLen still applies
    EXPECT_EQ(Acc("N,S,abc", "x"), kFailure);
    EXPECT_EQ(Acc("N,S,5,abc", "x"), kFailure);
    EXPECT_EQ(Acc("N,S,99999999999999999999", "x"), kFailure);
    EXPECT_EQ(Acc("N,S,5,99999999999999999999", "x"), kFailure);
    EXPECT_EQ(Acc("O,S,abc", ""), kValid);  // O with empty value: no rule applied
    EXPECT_EQ(Acc("N,S,abc", ""), kFailure);  // the length rule runs before the emptiness test
}

TEST(FieldTypeS, LengthLiteralsAndClasses) {
    EXPECT_EQ(Acc("N,S,1,1,S,N", "S"), kValid);
    EXPECT_EQ(Acc("N,S,1,1,S,N", "s"), kInvalid);
    EXPECT_EQ(Acc("N,S,3,3,100", "100"), kValid);
    EXPECT_EQ(Acc("N,S,3,3,100", "1000"), kInvalid);
    EXPECT_EQ(Acc("N,S,5,1,A, B", " B"), kValid);  // choices are not trimmed
    EXPECT_EQ(Acc("N,S,8,5,[A-Z],[0-9]", "FX123AB"), kValid);
    EXPECT_EQ(Acc("N,S,8,5,[A-Z],[0-9]", "FX-123A"), kInvalid);
    EXPECT_EQ(Acc("N,S,8,5,[A-Z],[0-9]", "fx123ab"), kInvalid);
    EXPECT_EQ(Acc("N,S,8,5,[A-Z],[0-9]", "ABCD"), kInvalid);  // too short
    EXPECT_EQ(Acc("N,S,4,1,[\xC0-\xFF]", "\xC8\xE0"), kValid);  // 8-bit by character code
}

TEST(FieldTypeS, MixedChoiceKindsAreMaskErrorsWhenReached) {
    // Literal first: every choice is looked at for every value.
    EXPECT_EQ(Acc("N,S,1,1,A,[0-9]", "A"), kMaskError);
    // Class first: the scan stops at the first match of each character.
    EXPECT_EQ(Acc("N,S,3,1,[A-Z],x", "ABC"), kValid);
    EXPECT_EQ(Acc("N,S,3,1,[A-Z],x", "AB1"), kMaskError);
    // A backwards range is a run-time failure once a character is tried on it.
    EXPECT_EQ(Acc("N,S,3,1,[A-Z],[9-0]", "ABC"), kValid);
    EXPECT_EQ(Acc("N,S,3,1,[A-Z],[9-0]", "AB1"), kFailure);
    EXPECT_EQ(Acc("N,S,3,1,[z-a]", "b"), kFailure);
}

TEST(FieldTypeC, FixedLengthAndChoices) {
    EXPECT_EQ(Acc("N,C,8", "12345678"), kValid);
    EXPECT_EQ(Acc("N,C,8", "1234567"), kInvalid);
    EXPECT_EQ(Acc("N,C,8,8", "ABCDEFGH"), kValid);
    EXPECT_EQ(Acc("N,C,10,5", "0123456789"), kMaskError);  // MinLen neither 0 nor MaxLen
    EXPECT_EQ(Acc("N,C,5,05", "12345"), kMaskError);       // compared as text
    EXPECT_EQ(Acc("N,C,,0", "x"), kMaskError);             // no MaxLen for C
    EXPECT_EQ(Acc("N,C,17,0,[A-H],[J-N],P,[R-Z],[0-9]", "ZFA31200000123456"), kValid);
    EXPECT_EQ(Acc("N,C,17,0,[A-H],[J-N],P,[R-Z],[0-9]", "ZFA3120000012345O"), kInvalid);
    EXPECT_EQ(Acc("N,C,2,0,[0-9],AB", "11"), kValid);     // stops at the first match
    EXPECT_EQ(Acc("N,C,2,0,[0-9],AB", "1x"), kMaskError);  // longer literal reached
    EXPECT_EQ(Acc("N,C,2,0,AB,[0-9]", "11"), kMaskError);  // reached at once
    EXPECT_EQ(Acc("N,C,2,0,,[0-9]", "1x"), kMaskError);    // empty choice is no class
    EXPECT_EQ(Acc("N,C,2,0,[0-9],[b-a]", "1x"), kFailure);
    EXPECT_EQ(Acc("N,C,x", "1"), kFailure);
}

TEST(FieldTypeN, IntegerAndDecimalForms) {
    EXPECT_EQ(Acc("N,N,6,6", "004711"), kValid);
    EXPECT_EQ(Acc("N,N,6,6", "4711"), kInvalid);
    EXPECT_EQ(Acc("N,N,6,1", "47.1"), kInvalid);  // no "." without a decimal MaxLen
    EXPECT_EQ(Acc("N,N,6,1", "-47"), kInvalid);
    EXPECT_EQ(Acc("N,N,3.2,1", "79.02"), kValid);
    EXPECT_EQ(Acc("N,N,3.2,1", "179.02"), kValid);
    EXPECT_EQ(Acc("N,N,3.2,1", "1179.02"), kInvalid);
    EXPECT_EQ(Acc("N,N,3.2,1", "79.2"), kInvalid);
    EXPECT_EQ(Acc("N,N,3.2,1", "79"), kInvalid);
    EXPECT_EQ(Acc("N,N,3.2,1", ".02"), kInvalid);  // MinLen 1 integer digit
    EXPECT_EQ(Acc("N,N,3.2,0", ".02"), kValid);
    EXPECT_EQ(Acc("N,N,3.2,1", "7a.02"), kInvalid);
    EXPECT_EQ(Acc("N,N,3.3,1", "1.2.3"), kInvalid);  // one "." at most
    EXPECT_EQ(Acc("N,N,3.x,1", "1.2"), kFailure);
    EXPECT_EQ(Acc("N,N,.2,1", "1.22"), kFailure);
    EXPECT_EQ(Acc("N,N,3.2.1,1", "1.22"), kFailure);
}

TEST(FieldTypeD, YearsAndDates) {
    EXPECT_EQ(Acc("N,D,8,8", "29022024"), kValid);
    EXPECT_EQ(Acc("N,D,8,8", "29022023"), kInvalid);
    EXPECT_EQ(Acc("N,D,8,8", "29021900"), kInvalid);  // not a leap year
    EXPECT_EQ(Acc("N,D,8,8", "29022000"), kValid);
    EXPECT_EQ(Acc("N,D,8,8", "31042024"), kInvalid);
    EXPECT_EQ(Acc("N,D,8,8", "00012024"), kInvalid);
    EXPECT_EQ(Acc("N,D,8,8", "01132024"), kInvalid);
    EXPECT_EQ(Acc("N,D,8,8", "01/01/24"), kInvalid);
    EXPECT_EQ(Acc("N,D,8,6", "010124"), kInvalid);  // ddmmyy is no ddmmyyyy
    EXPECT_EQ(Acc("N,D,4,4", "1900"), kValid);
    EXPECT_EQ(Acc("N,D,4,4", "2100"), kValid);
    EXPECT_EQ(Acc("N,D,4,4", "1899"), kInvalid);
    EXPECT_EQ(Acc("N,D,4,4", "2101"), kInvalid);
    EXPECT_EQ(Acc("N,D,4,2", "99"), kInvalid);
    EXPECT_EQ(Acc("N,D,6,6", "010124"), kInvalid);  // other MaxLen: invalid, not a mask error
    EXPECT_EQ(Acc("N,D,6,0", "01a124"), kInvalid);
}

TEST(FieldTypeH, TimesOfDay) {
    EXPECT_EQ(Acc("N,H,6,6", "000000"), kValid);
    EXPECT_EQ(Acc("N,H,6,6", "235959"), kValid);
    EXPECT_EQ(Acc("N,H,6,6", "240000"), kInvalid);
    EXPECT_EQ(Acc("N,H,6,6", "236000"), kInvalid);
    EXPECT_EQ(Acc("N,H,6,6", "235960"), kInvalid);
    EXPECT_EQ(Acc("N,H,8,4", "0830"), kInvalid);
    EXPECT_EQ(Acc("N,H,6,6", "08:30:"), kInvalid);
}

TEST(FieldTypesEAndL, Letters) {
    for (const char* v : {"R", "A", "I", "E"}) EXPECT_EQ(Acc("N,E,1,1", v), kValid) << v;
    for (const char* v : {"r", "X", "RA"}) EXPECT_EQ(Acc("N,E,2,1", v), kInvalid) << v;
    EXPECT_EQ(Acc("N,L,1,1", "S"), kValid);
    EXPECT_EQ(Acc("N,L,1,1", "N"), kValid);
    EXPECT_EQ(Acc("N,L,1,1", "s"), kInvalid);
    EXPECT_EQ(Acc("N,L,1,1", "Y"), kInvalid);
}

TEST(FieldTypeOther, UnknownTypeIsAMaskError) {
    EXPECT_EQ(Acc("N,Q,5", "x"), kMaskError);
    EXPECT_EQ(Acc("N", "x"), kMaskError);  // descriptor too short: no type
    EXPECT_EQ(Acc("N,s,5", "x"), kMaskError);
    // An empty mandatory value ends the checks before the type is looked at.
    EXPECT_EQ(Acc("N,Q,5", ""), kInvalid);
}

TEST(FieldVehicleMask, OneLeadingHashIsDropped) {
    EXPECT_EQ(Veh("N,C,5", "#12345"), kValid);
    EXPECT_EQ(Acc("N,C,5", "#12345"), kInvalid);
    EXPECT_EQ(Veh("N,C,5,0,[0-9]", "#12345"), kValid);
    EXPECT_EQ(Veh("N,C,5,0,[0-9]", "##2345"), kInvalid);  // only one
    EXPECT_EQ(Veh("O,D,8,8", "#"), kInvalid);    // O sees "#", the date rule sees ""
    EXPECT_EQ(Veh("O,S,5", "#"), kValid);
    EXPECT_EQ(Veh("N,S,5", "#"), kInvalid);      // nothing left of a mandatory value
}
