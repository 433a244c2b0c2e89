// The rules one mask descriptor lays on one reservation value.
#pragma once

#include <string_view>

#include "reservation/MaskField.h"
#include "reservation/Refusal.h"

namespace heliotab {

enum class FieldOutcome {
    Valid,
    Invalid,           // the value breaks a rule: the reservation is invalid
    MaskError,         // the descriptor cannot be applied (standard message)
    MaskPresenceError, // presence letter not I, O or N (presence message)
    Failure,           // MaxLen/MinLen not a number, a class range backwards
};

// Applies the descriptor to value v, which already obeys the line rules (no
// outer blanks, no tab). vehicleMask: a single leading "#" is dropped before
// the length and content rules. rule, when given, is set to the rule broken
// for any outcome but Valid (a content rule before the length rule).
FieldOutcome ApplyDescriptor(std::string_view descriptor, std::string_view v, bool vehicleMask,
                             RefusalRule* rule = nullptr);

// A real calendar date written ddmmyyyy (Gregorian, years 0001-9999).
bool IsRealDate(std::string_view ddmmyyyy);
// A real time of day written hhmmss.
bool IsRealTime(std::string_view hhmmss);

} // namespace heliotab
