#include "reservation/Refusal.h"

#include <iterator>

namespace heliotab {

namespace {

// In the order of RefusalRule.
const char* const kRuleTexts[] = {
    "protocol identification",
    "acceptance date not today",
    "inspection date not today",
    "booking date after today or unreadable",
    "unknown vehicle type",
    "file cannot be read",
    "mask missing or empty",
    "line count",
    "missing section",
    "missing key",
    "missing key at the end of the file",
    "tab or blank at either end",
    "mandatory value empty",
    "length",
    "characters not allowed",
    "not one of the allowed values",
    "not a number",
    "not a date",
    "not a time",
    "outcome not R, A, I or E",
    "not S or N",
    "mask field cannot be applied",
    "mask field presence not I, O or N",
    "mask field numbers cannot be read",
};
static_assert(std::size(kRuleTexts) == static_cast<size_t>(RefusalRule::MaskNumbers) + 1);

} // namespace

const char* RefusalRuleText(RefusalRule rule) {
    return kRuleTexts[static_cast<size_t>(rule)];
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
