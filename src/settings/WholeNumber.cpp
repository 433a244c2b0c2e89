#include "settings/WholeNumber.h"

namespace heliotab {

bool ReadWholeNumber(const std::string& text, long& value) {
    size_t i = 0, end = text.size();
    while (i < end && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long v = 0;
    bool digits = false;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
        digits = true;
        v = v * 10 + (text[i] - '0');
        if (v > kWholeNumberLimit)
            v = kWholeNumberLimit;
    }
    if (!digits)
        return false;
    if (i < end && text[i] == '.')
        for (++i; i < end && text[i] == '0';)
            ++i;
    if (i != end)
        return false;
    value = negative ? -v : v;
    return true;
}

} // namespace heliotab
