#include "reservation/FieldRules.h"

#include <array>

#include "shared/AsciiText.h"

namespace heliotab {

namespace {

int TwoDigitsAt(std::string_view v, size_t at) {
    return (v[at] - '0') * 10 + (v[at + 1] - '0');
}

bool LengthWithin(std::string_view v, const MaskField& f, FieldOutcome& out) {
    long maxLen = 0, minLen = 0;
    if (!ParseWholeNumber(f.MaxLen, maxLen) || !ParseWholeNumber(f.MinLen, minLen)) {
        out = FieldOutcome::Failure;
        return false;
    }
    const long len = static_cast<long>(v.size());
    return len >= minLen && len <= maxLen;
}

// Type "N": MaxLen "i" or "i.d". Returns false with out = Failure when a
// number of the rule cannot be read.
bool NumberLengthRule(std::string_view v, const MaskField& f, FieldOutcome& out) {
    const size_t dot = f.MaxLen.find('.');
    long minLen = 0;
    if (dot == std::string::npos) {
        long maxLen = 0;
        if (!ParseWholeNumber(f.MaxLen, maxLen) || !ParseWholeNumber(f.MinLen, minLen)) {
            out = FieldOutcome::Failure;
            return false;
        }
        const long len = static_cast<long>(v.size());
        return v.find('.') == std::string_view::npos && len >= minLen && len <= maxLen;
    }
    long intDigits = 0, decimals = 0;
    const std::string_view maxLen = f.MaxLen;
    if (!ParseWholeNumber(maxLen.substr(0, dot), intDigits) ||
        !ParseWholeNumber(maxLen.substr(dot + 1), decimals) ||
        !ParseWholeNumber(f.MinLen, minLen)) {
        out = FieldOutcome::Failure;
        return false;
    }
    const size_t vdot = v.find('.');
    if (vdot == std::string_view::npos)
        return false;
    const long before = static_cast<long>(vdot);
    const long after = static_cast<long>(v.size() - vdot - 1);
    return before >= minLen && before <= intDigits && after == decimals;
}

// One character against the class choices, in order, up to the first match.
// A choice that is not a class is a mask error when the scan reaches it;
// for "C" a one-character choice is a literal.
FieldOutcome CharMatches(unsigned char ch, const std::vector<std::string>& choices,
                         bool literalsAllowed, bool& matched) {
    matched = false;
    for (const std::string& c : choices) {
        if (literalsAllowed && c.size() == 1) {
            if (static_cast<unsigned char>(c[0]) == ch) {
                matched = true;
                return FieldOutcome::Valid;
            }
            continue;
        }
        CharClass cls;
        if (!ParseCharClass(c, cls))
            return FieldOutcome::MaskError;
        if (cls.from > cls.to)
            return FieldOutcome::Failure;
        if (ch >= cls.from && ch <= cls.to) {
            matched = true;
            return FieldOutcome::Valid;
        }
    }
    return FieldOutcome::Valid;
}

// Every character of v must match; returns Valid, Invalid or an error.
FieldOutcome EveryCharMatches(std::string_view v, const std::vector<std::string>& choices,
                              bool literalsAllowed) {
    bool allMatched = true;
    for (char c : v) {
        bool matched = false;
        const FieldOutcome o =
            CharMatches(static_cast<unsigned char>(c), choices, literalsAllowed, matched);
        if (o != FieldOutcome::Valid)
            return o;
        if (!matched)
            allMatched = false;
    }
    return allMatched ? FieldOutcome::Valid : FieldOutcome::Invalid;
}

FieldOutcome SelectionContent(std::string_view v, const std::vector<std::string>& choices) {
    if (choices.empty())
        return FieldOutcome::Valid;
    CharClass cls;
    if (ParseCharClass(choices.front(), cls))
        return EveryCharMatches(v, choices, false);
    // Literal values: every choice is looked at, for every value.
    bool equal = false;
    for (const std::string& c : choices) {
        if (ParseCharClass(c, cls))
            return FieldOutcome::MaskError;
        if (c == v)
            equal = true;
    }
    return equal ? FieldOutcome::Valid : FieldOutcome::Invalid;
}

// Type "N" content: digits and at most one ".", so "1.2.3" is no number.
bool NumberContent(std::string_view v) {
    int dots = 0;
    for (char c : v) {
        if (c == '.') {
            if (++dots > 1)
                return false;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// The rule a value breaks when its type's content check fails.
RefusalRule ContentRule(char type, const std::vector<std::string>& choices) {
    CharClass cls;
    switch (type) {
    case 'S':
        return ParseCharClass(choices.front(), cls) ? RefusalRule::Characters : RefusalRule::Choice;
    case 'N':
        return RefusalRule::Number;
    case 'D':
        return RefusalRule::Date;
    case 'H':
        return RefusalRule::Time;
    case 'E':
        return RefusalRule::Outcome;
    case 'L':
        return RefusalRule::YesNo;
    default:
        return RefusalRule::Characters;
    }
}

} // namespace

bool IsRealDate(std::string_view v) {
    if (v.size() != 8 || !AllDigits(v))
        return false;
    const int day = TwoDigitsAt(v, 0), month = TwoDigitsAt(v, 2);
    const int year = TwoDigitsAt(v, 4) * 100 + TwoDigitsAt(v, 6);
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    // An array, so that a month out of range trips the checked builds instead of reading astray.
    static constexpr std::array kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = month == 2 && leap ? 29 : kDays[month - 1];
    return day <= last;
}

bool IsRealTime(std::string_view v) {
    if (v.size() != 6 || !AllDigits(v))
        return false;
    return TwoDigitsAt(v, 0) <= 23 && TwoDigitsAt(v, 2) <= 59 && TwoDigitsAt(v, 4) <= 59;
}

namespace {

// ApplyDescriptor; invalid: the rule an Invalid outcome broke.
FieldOutcome Apply(std::string_view descriptor, std::string_view v, bool vehicleMask,
                   RefusalRule& invalid) {
    MaskField f = ParseDescriptor(descriptor);

    if (f.Presence == "I")
        return FieldOutcome::Valid;
    if (f.Presence == "O" && v.empty())
        return FieldOutcome::Valid;
    if (f.Presence != "O" && f.Presence != "N")
        return FieldOutcome::MaskPresenceError;
    if (!CompleteMaxLen(f))
        return FieldOutcome::MaskError;
    if (f.FieldType == "C" && f.MinLen != f.MaxLen && f.MinLen != "0")
        return FieldOutcome::MaskError;
    if (vehicleMask && !v.empty() && v.front() == '#')
        v.remove_prefix(1);

    bool valid = true;
    FieldOutcome failure = FieldOutcome::Valid;
    const char type = f.FieldType.empty() ? '\0' : f.FieldType[0];
    switch (type) {
    case 'S':
    case 'D':
    case 'H':
    case 'E':
    case 'L':
        if (!LengthWithin(v, f, failure))
            valid = false;
        break;
    case 'C': {
        long maxLen = 0;
        if (!ParseWholeNumber(f.MaxLen, maxLen))
            return FieldOutcome::Failure;
        if (static_cast<long>(v.size()) != maxLen)
            valid = false;
        break;
    }
    case 'N':
        if (!NumberLengthRule(v, f, failure))
            valid = false;
        break;
    default:
        break; // an unknown type is reported by the content rule below
    }
    if (failure != FieldOutcome::Valid)
        return failure;

    if (f.Presence == "N" && v.empty()) {
        invalid = RefusalRule::Empty;
        return FieldOutcome::Invalid;
    }

    FieldOutcome content = FieldOutcome::Valid;
    switch (type) {
    case 'S':
        content = SelectionContent(v, f.Choices);
        break;
    case 'C':
        if (!f.Choices.empty())
            content = EveryCharMatches(v, f.Choices, true);
        break;
    case 'N':
        if (!NumberContent(v))
            content = FieldOutcome::Invalid;
        break;
    case 'D': {
        if (!AllDigits(v)) {
            content = FieldOutcome::Invalid;
            break;
        }
        long maxLen = 0;
        ParseWholeNumber(f.MaxLen, maxLen); // read already by the length rule
        if (maxLen == 4) {
            long year = 0;
            if (v.empty() || !ParseWholeNumber(v, year) || year < 1900 || year > 2100)
                content = FieldOutcome::Invalid;
        } else if (maxLen == 8) {
            if (!IsRealDate(v))
                content = FieldOutcome::Invalid;
        } else {
            content = FieldOutcome::Invalid;
        }
        break;
    }
    case 'H':
        if (!IsRealTime(v))
            content = FieldOutcome::Invalid;
        break;
    case 'E':
        if (v != "R" && v != "A" && v != "I" && v != "E")
            content = FieldOutcome::Invalid;
        break;
    case 'L':
        if (v != "S" && v != "N")
            content = FieldOutcome::Invalid;
        break;
    default:
        return FieldOutcome::MaskError;
    }
    if (content == FieldOutcome::Invalid)
        invalid = ContentRule(type, f.Choices);
    if (content != FieldOutcome::Valid)
        return content;
    return valid ? FieldOutcome::Valid : FieldOutcome::Invalid;
}

} // namespace

FieldOutcome ApplyDescriptor(std::string_view descriptor, std::string_view v, bool vehicleMask,
                             RefusalRule* rule) {
    RefusalRule invalid = RefusalRule::Length; // the length rule leaves it as it is
    const FieldOutcome outcome = Apply(descriptor, v, vehicleMask, invalid);
    if (!rule)
        return outcome;
    switch (outcome) {
    case FieldOutcome::Valid:
        break;
    case FieldOutcome::Invalid:
        *rule = invalid;
        break;
    case FieldOutcome::MaskError:
        *rule = RefusalRule::MaskDefinition;
        break;
    case FieldOutcome::MaskPresenceError:
        *rule = RefusalRule::MaskPresence;
        break;
    case FieldOutcome::Failure:
        *rule = RefusalRule::MaskNumbers;
        break;
    }
    return outcome;
}

} // namespace heliotab
