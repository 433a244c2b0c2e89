// One descriptor against one value, and the descriptor's own parts.
#include <gtest/gtest.h>

#include "reservation/FieldRules.h"

using namespace heliotab;

namespace {
constexpr FieldOutcome V = FieldOutcome::Valid, I = FieldOutcome::Invalid, M = FieldOutcome::MaskError,
                       P = FieldOutcome::MaskPresenceError, F = FieldOutcome::Failure;

}  // namespace

TEST(FieldRules, DescriptorAgainstValue) {
    struct Row { const char* d; std::string v; FieldOutcome want; bool vehicle = false; };
    const Row rows[] = {
        // Presence: I examines nothing, O accepts an empty value, other letters are mask errors first of all.
        {"I,D,8,8", "not a date", V}, {"I,Q,abc", "x", V}, {"O,S,3,1", "", V}, {"O,C,5,5", "", V}, {"O,N,3.2,1", "", V}, {"O,D,8,8", "", V},
        {"O,H,6,6", "", V}, {"O,E,1,1", "", V}, {"O,L,1,1", "", V}, {"O,D,8,8", "31022020", I}, {"N,S,3", "", I}, {"N,S,3", "abc", V},
        {"X,S,3", "abc", P}, {"n,S,3", "abc", P}, {"", "abc", P}, {"X,S,3", "", P}, {"Z,C", "abc", P},
        // Lengths: MaxLen defaults to 50 for S; numbers that are no numbers fail at run time.
        {"N,S,", std::string(50, 'a'), V}, {"N,S,", std::string(51, 'a'), I}, {"N,S,,2", "a", I}, {"N,S,abc", "x", F}, {"N,S,5,abc", "x", F},
        {"N,S,99999999999999999999", "x", F}, {"N,S,5,99999999999999999999", "x", F}, {"O,S,abc", "", V}, {"N,S,abc", "", F}, {"N,S,+3,1", "abc", V},
        // S: literals, classes by character code, both ends of every range.
        {"N,S,1,1,S,N", "S", V}, {"N,S,1,1,S,N", "s", I}, {"N,S,3,3,100", "100", V}, {"N,S,3,3,100", "1000", I}, {"N,S,5,1,A, B", " B", V},
        {"N,S,8,5,[A-Z],[0-9]", "FX123AB", V}, {"N,S,8,5,[A-Z],[0-9]", "FX-123A", I}, {"N,S,8,5,[A-Z],[0-9]", "fx123ab", I},
        {"N,S,8,5,[A-Z],[0-9]", "ABCD", I}, {"N,S,4,1,[\xC0-\xFF]", "\xC8\xE0", V}, {"N,S,4,1,[\xC0-\xFF]", "\xBF", I}, {"N,S,1,1,[A-Z]", "A", V},
        {"N,S,1,1,[A-Z]", "Z", V}, {"N,S,1,1,[A-Z]", "@", I}, {"N,S,1,1,[A-Z]", "[", I}, {"N,S,1,1,[0-9]", "0", V}, {"N,S,1,1,[0-9]", "9", V},
        {"N,S,1,1,[0-9]", "/", I}, {"N,S,1,1,[0-9]", ":", I}, {"N,S,1,1,[a-z]", "z", V}, {"N,S,1,1,[a-z]", "{", I}, {"N,S,1,1,[a-z]", "`", I},
        {"N,S,1,1,[Z]", "Z", V}, {"N,S,1,1,[Z]", "Y", I}, {"N,S,1,1,[]]", "]", V}, {"N,S,1,1,[/]", "/", V},
        {"NxSy1,1,[/]", "/", V}, {"N,S,3,1, A,,[0-9],", "", I},  // separators are never looked at; choices as written
        // What is no class is a literal.
        {"N,S,2,1,[AB]", "A", I}, {"N,S,2,1,[A-]", "A", I}, {"N,S,2,1,[A-ZZ]", "A", I}, {"N,S,2,1,(A-Z)", "A", I}, {"N,S,2,1,[A_Z]", "A", I},
        {"N,S,2,1,[A-Z", "A", I}, {"N,S,2,1,[]", "A", I}, {"N,S,4,1,[AB]", "[AB]", V}, {"N,S, 7 ,1", "1234567", V}, {"N,S,2147483647,1", "a", V},
        {"N,S,2147483648,1", "a", F}, {"N,S,3.2,1", "a", F}, {"N,S,1e3,1", "a", F}, {"N,S,0x10,1", "a", F}, {"N,S,5x,1", "a", F}, {"N,S,-,1", "a", F},
        {"N,S, ,1", "a", F},
        // Mixed choice kinds are mask errors once reached; a backwards range fails once a character tries it.
        {"N,S,1,1,A,[0-9]", "A", M}, {"N,S,3,1,[A-Z],x", "ABC", V}, {"N,S,3,1,[A-Z],x", "AB1", M}, {"N,S,3,1,[A-Z],[9-0]", "ABC", V},
        {"N,S,3,1,[A-Z],[9-0]", "AB1", F}, {"N,S,3,1,[z-a]", "b", F},
        // C: fixed length, MinLen 0 or MaxLen as text.
        {"N,C,8", "12345678", V}, {"N,C,8", "1234567", I}, {"N,C,8,8", "ABCDEFGH", V}, {"N,C,10,5", "0123456789", M}, {"N,C,5,05", "12345", M},
        {"N,C,,0", "x", M}, {"N,C,17,0,[A-H],[J-N],P,[R-Z],[0-9]", "ZFA31200000123456", V},
        {"N,C,17,0,[A-H],[J-N],P,[R-Z],[0-9]", "ZFA3120000012345O", I}, {"N,C,2,0,[0-9],AB", "11", V}, {"N,C,2,0,[0-9],AB", "1x", M},
        {"N,C,2,0,AB,[0-9]", "11", M}, {"N,C,2,0,,[0-9]", "1x", M}, {"N,C,2,0,[0-9],[b-a]", "1x", F}, {"N,C,x", "1", F}, {"N,C,1,0,[A-Z]", "Z", V},
        {"N,C,1,0,[A-Z]", "[", I},
        // N: integers, and decimals when MaxLen has a ".".
        {"N,N,6,6", "004711", V}, {"N,N,6,6", "4711", I}, {"N,N,6,1", "47.1", I}, {"N,N,6,1", "-47", I}, {"N,N,3.2,1", "79.02", V},
        {"N,N,3.2,1", "179.02", V}, {"N,N,3.2,1", "1179.02", I}, {"N,N,3.2,1", "79.2", I}, {"N,N,3.2,1", "79", I}, {"N,N,3.2,1", ".02", I},
        {"N,N,3.2,0", ".02", V}, {"N,N,3.2,1", "7a.02", I}, {"N,N,3.3,1", "1.2.3", I}, {"N,N,3.x,1", "1.2", F}, {"N,N,.2,1", "1.22", F},
        {"N,N,3.2.1,1", "1.22", F}, {"N,N,2,1", "90", V}, {"N,N,2,1", "9:", I}, {"N,N,2,1", "/0", I},
        // D: ddmmyyyy or a year 1900-2100; H: hhmmss.
        {"N,D,8,8", "29022024", V}, {"N,D,8,8", "29022023", I}, {"N,D,8,8", "29021900", I}, {"N,D,8,8", "29022000", V}, {"N,D,8,8", "31042024", I},
        {"N,D,8,8", "30042024", V}, {"N,D,8,8", "31122024", V}, {"N,D,8,8", "32012024", I}, {"N,D,8,8", "00012024", I}, {"N,D,8,8", "01002024", I},
        {"N,D,8,8", "01132024", I}, {"N,D,8,8", "01/01/24", I}, {"N,D,8,6", "010124", I}, {"N,D,4,4", "1900", V}, {"N,D,4,4", "2100", V},
        {"N,D,4,4", "1899", I}, {"N,D,4,4", "2101", I}, {"N,D,4,2", "99", I}, {"N,D,6,6", "010124", I}, {"N,D,6,0", "01a124", I},
        {"N,H,6,6", "000000", V}, {"N,H,6,6", "235959", V}, {"N,H,6,6", "240000", I}, {"N,H,6,6", "236000", I}, {"N,H,6,6", "235960", I},
        {"N,H,8,4", "0830", I}, {"N,H,6,6", "08:30:", I}, {"N,D,8,8", "01010001", V}, {"N,D,8,8", "01010000", I},
        // E and L: single letters; unknown types are mask errors unless the empty value ends the checks first.
        {"N,E,1,1", "R", V}, {"N,E,1,1", "A", V}, {"N,E,1,1", "I", V}, {"N,E,1,1", "E", V}, {"N,E,2,1", "r", I}, {"N,E,2,1", "X", I},
        {"N,E,2,1", "RA", I}, {"N,L,1,1", "S", V}, {"N,L,1,1", "N", V}, {"N,L,1,1", "s", I}, {"N,L,1,1", "Y", I}, {"N,Q,5", "x", M}, {"N", "x", M},
        {"N,s,5", "x", M}, {"N,Q,5", "", I},
        // Vehicle masks drop one leading "#".
        {"N,C,5", "#12345", V, true}, {"N,C,5", "#12345", I}, {"N,C,5,0,[0-9]", "#12345", V, true}, {"N,C,5,0,[0-9]", "##2345", I, true},
        {"O,D,8,8", "#", I, true}, {"O,S,5", "#", V, true}, {"N,S,5", "#", I, true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ApplyDescriptor(r.d, r.v, r.vehicle), r.want) << r.d << " <" << r.v << "> " << r.vehicle;
}
