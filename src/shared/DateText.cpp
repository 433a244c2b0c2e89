#include "shared/DateText.h"

#include <cstdio>

namespace heliotab {

std::string ZeroPadded(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

std::string TwoDigits(int value) {
    return ZeroPadded(value, 2);
}

std::string FormatDdMmYyyy(const LocalTime& t) {
    return TwoDigits(t.day) + TwoDigits(t.month) + ZeroPadded(t.year, 4);
}
std::string FormatYyyyMmDd(const LocalTime& t) {
    return ZeroPadded(t.year, 4) + TwoDigits(t.month) + TwoDigits(t.day);
}
std::string FormatYy(const LocalTime& t) {
    return TwoDigits(((t.year % 100) + 100) % 100);
}
std::string FormatHhNnSs(const LocalTime& t) {
    return TwoDigits(t.hour) + TwoDigits(t.minute) + TwoDigits(t.second);
}

} // namespace heliotab
