#include "reservation/Refusal.h"

namespace heliotab {

const char* RefusalRuleText(RefusalRule rule) {
    switch (rule) {
    case RefusalRule::Protocol:
        return "protocol identification";
    case RefusalRule::AcceptanceDate:
        return "acceptance date not today";
    case RefusalRule::InspectionDate:
        return "inspection date not today";
    case RefusalRule::BookingDate:
        return "booking date after today or unreadable";
    case RefusalRule::VehicleType:
        return "unknown vehicle type";
    case RefusalRule::Unreadable:
        return "file cannot be read";
    case RefusalRule::MaskMissing:
        return "mask missing or empty";
    case RefusalRule::LineCount:
        return "line count";
    case RefusalRule::MissingSection:
        return "missing section";
    case RefusalRule::MissingKey:
        return "missing key";
    case RefusalRule::KeyPastEnd:
        return "missing key at the end of the file";
    case RefusalRule::Blank:
        return "tab or blank at either end";
    case RefusalRule::Empty:
        return "mandatory value empty";
    case RefusalRule::Length:
        return "length";
    case RefusalRule::Characters:
        return "characters not allowed";
    case RefusalRule::Choice:
        return "not one of the allowed values";
    case RefusalRule::Number:
        return "not a number";
    case RefusalRule::Date:
        return "not a date";
    case RefusalRule::Time:
        return "not a time";
    case RefusalRule::Outcome:
        return "outcome not R, A, I or E";
    case RefusalRule::YesNo:
        return "not S or N";
    case RefusalRule::MaskDefinition:
        return "mask field cannot be applied";
    case RefusalRule::MaskPresence:
        return "mask field presence not I, O or N";
    case RefusalRule::MaskNumbers:
        return "mask field numbers cannot be read";
    }
    return "";
}

std::string RefusalText(const Refusal& r) {
    std::string where;
    if (!r.section.empty())
        where += " [" + r.section + "]";
    if (!r.key.empty())
        where += " " + r.key + "=\"" + r.value + "\"";
    std::string line =
        r.file + ":" + where + (where.empty() ? " " : ": ") + RefusalRuleText(r.rule);
    if (!r.detail.empty())
        line += " (" + r.detail + ")";
    return line;
}

} // namespace heliotab
