// One mask descriptor against values: every rule at both ends of its ranges.
#include <gtest/gtest.h>

#include <ostream>

#include "reservation/FieldRules.h"

namespace heliotab {

static std::ostream& operator<<(std::ostream& o, FieldOutcome f) {
    const char* names[] = {"Valid", "Invalid", "MaskError", "MaskPresenceError", "Failure"};
    return o << names[static_cast<int>(f)];
}

namespace {

constexpr FieldOutcome V = FieldOutcome::Valid;
constexpr FieldOutcome I = FieldOutcome::Invalid;
constexpr FieldOutcome M = FieldOutcome::MaskError;
constexpr FieldOutcome P = FieldOutcome::MaskPresenceError;
constexpr FieldOutcome F = FieldOutcome::Failure;

struct Row {
    const char* descriptor;
    FieldOutcome want; // for every one of the values
    std::vector<std::string> values;
    bool vehicleMask = false;
};

TEST(FieldRules, DescriptorAgainstValues) {
    const Row rows[] = {
        // Presence: I looks at nothing, O takes an empty value, N does not; other letters are
        // mask errors before anything else.
        {"I,D,8,8", V, {"not a date"}},
        {"O,D,8,8", V, {""}},
        {"O,D,8,8", I, {"31022020"}},
        {"N,S,3", I, {""}},
        {"X,S,3", P, {"abc", ""}},
        {"", P, {"abc"}},
        // Lengths from MinLen to MaxLen; MaxLen 50 when empty (a mask error for C); separators
        // and blanks around the numbers are never looked at.
        {"N,S,3,2", V, {"ab", "abc"}},
        {"N,S,3,2", I, {"a", "abcd"}},
        {"N,S,", V, {std::string(50, 'a')}},
        {"N,S", I, {std::string(51, 'a')}},
        {"NxSy5", V, {"abcde"}},
        {"N,S,5", I, {"abcdef"}},
        {"N,S, 7 ,+1", V, {"1234567"}},
        {"N,S,-1", I, {"a"}},
        {"N,S,2147483647,-2147483648", V, {"a"}},
        {"N,S,2147483648", F, {"a"}},
        {"N,S,5,-2147483649", F, {"a"}},
        {"N,S,abc", F, {"a", ""}},
        {"N,S,5,x", F, {"a"}},
        {"N,S,99999999999999999999", F, {"a"}}, // beyond what from_chars reads
        {"N,S,3.2", F, {"a"}},
        {"N,S, ", F, {"a"}},
        {"O,S,abc", V, {""}},
        // S: literal choices compared whole; character classes by code, both ends.
        {"N,S,2,1,S,N, B", V, {"S", "N", " B"}},
        {"N,S,2,1,S,N, B", I, {"s", "B"}},
        {"N,S,8,1,[A-Z],[0-9],[_]", V, {"AZ09_", "FX123AB"}},
        {"N,S,8,1,[A-Z],[0-9],[_]", I, {"@", "[", "/", ":", "^", "`"}},
        {"N,S,4,1,[\xC0-\xFF]", V, {"\xC0\xFF"}},
        {"N,S,4,1,[\xC0-\xFF]", I, {"\xBF"}},
        // What is no class is a literal; a class among literals is a mask error.
        {"N,S,6,1,[AB],(A],[A),[],(A-Z],[A_Z],[A-Z),[A-Z", V, {"[AB]", "(A]", "[A-Z"}},
        {"N,S,6,1,[AB],(A],[A),[],(A-Z],[A_Z],[A-Z),[A-Z", I, {"A", "B"}},
        {"N,S,3,1,A,[0-9]", M, {"A", "1"}},
        // Among classes a literal is a mask error and a backwards range fails, both only once a
        // character reaches them.
        {"N,S,3,1,[A-Z],x,[9-0]", V, {"ABC"}},
        {"N,S,3,1,[A-Z],x,[9-0]", M, {"AB1"}},
        {"N,S,3,1,[A-Z],[9-0]", F, {"AB1"}},
        // C: exactly MaxLen characters; MinLen 0 or MaxLen as written; one-character literals.
        {"N,C,8", V, {"12345678"}},
        {"N,C,8,8", I, {"1234567", "123456789"}},
        {"N,C,10,5", M, {"0123456789"}},
        {"N,C,5,05", M, {"12345"}},
        {"N,C,,0", M, {"x"}},
        {"N,C,x", F, {"1"}},
        {"N,C,17,0,[A-H],[J-N],P,[R-Z],[0-9]", V, {"ZFAP1200000123456"}},
        {"N,C,17,0,[A-H],[J-N],P,[R-Z],[0-9]", I, {"ZFA3120000012345O", "ZFA3120000012345Q"}},
        {"N,C,2,0,[0-9],AB", M, {"1x"}},
        {"N,C,2,0,[0-9],[b-a]", F, {"1x"}},
        // N: digits of MinLen to MaxLen; "i.d": MinLen to i digits, a dot, exactly d decimals.
        {"N,N,3,2", V, {"09", "123"}},
        {"N,N,3,2", I, {"1", "1234", "1.2", "-47", "/0", "9:"}},
        {"N,N,3.2,1", V, {"1.22", "123.22"}},
        {"N,N,3.2,1", I, {".22", "1234.22", "1.2", "1.222", "12", "1a.22"}},
        {"N,N,3.2,0", V, {".02"}},
        {"N,N,3.3,1", I, {"1.2.3"}},
        {"N,N,x", F, {"1"}},
        {"N,N,3,x", F, {"1"}},
        {"N,N,3.x,1", F, {"1.2"}},
        {"N,N,x.2,1", F, {"1.22"}},
        {"N,N,3.2,x", F, {"1.22"}},
        // D: a real date ddmmyyyy, or a year from 1900 to 2100; H: hhmmss.
        {"N,D,8,8", V, {"29022024", "29022000", "30042024", "31122024", "01010001"}},
        {"N,D,8,8", I, {"29022023", "29021900", "31042024", "32012024", "00012024", "01002024"}},
        {"N,D,8,8", I, {"01132024", "01010000", "01/01/24"}},
        {"N,D,4,4", V, {"1900", "2100"}},
        {"N,D,4,4", I, {"1899", "2101", "19a0"}},
        {"N,D,6,6", I, {"010124"}},
        {"N,D,8,6", I, {"010124"}},
        {"O,D,4,0", I, {"#"}, true},
        {"N,H,6,6", V, {"000000", "235959"}},
        {"N,H,6,6", I, {"240000", "236000", "235960", "08:30:"}},
        {"N,H,8,4", I, {"0830"}},
        // E and L: single letters. Unknown types are mask errors, unless the value is empty.
        {"N,E,2,1", V, {"R", "A", "I", "E"}},
        {"N,E,2,1", I, {"r", "X", "RA"}},
        {"N,L,1,1", V, {"S", "N"}},
        {"N,L,1,1", I, {"s", "Y"}},
        {"N,Q,5", M, {"x"}},
        {"N,s,5", M, {"x"}},
        {"N", M, {"x"}},
        {"N,Q,5", I, {""}},
        // Vehicle masks drop one leading "#", after the presence rule.
        {"N,C,5,0,[0-9]", V, {"#12345"}, true},
        {"N,C,5,0,[0-9]", I, {"#12345"}},
        {"N,C,5,0,[0-9]", I, {"##2345"}, true},
        {"O,S,5", V, {"#"}, true},
        {"N,S,5", I, {"#"}, true},
    };
    for (const Row& r : rows)
        for (const std::string& v : r.values)
            EXPECT_EQ(ApplyDescriptor(r.descriptor, v, r.vehicleMask), r.want)
                << r.descriptor << " <" << v << ">" << (r.vehicleMask ? " vehicle" : "");
}

} // namespace
} // namespace heliotab
