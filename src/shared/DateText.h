// Dates and times as the exchange files and the result file write them:
// digits only, no separators, whatever the regional settings.
#pragma once

#include <string>

#include "shared/Platform.h"

namespace heliotab {

// value in at least width digits, zeros in front ("%0*d").
std::string ZeroPadded(int value, int width);
std::string TwoDigits(int value);

std::string FormatDdMmYyyy(const LocalTime& t);
std::string FormatYyyyMmDd(const LocalTime& t);
std::string FormatYy(const LocalTime& t); // the last two digits of the year
std::string FormatHhNnSs(const LocalTime& t);

} // namespace heliotab
