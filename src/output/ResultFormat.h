// The [ProvaFari] section as bytes: the thirty keys in file order, each
// value cleaned of control characters and formatted as the booking software
// expects ("000", "000000", "ddmmyyyy", the "#" prefixes).
#pragma once

#include <string>

#include "shared/FarResult.h"

namespace heliotab {

// Control characters (below 0x20, and 0x7F) become blanks, so that no value
// can start a new line, key or section of the result file.
std::string SanitizeValue(const std::string& value);

// The "000" / "000000" formats: a number (point or comma as the decimal
// separator, an optional exponent, blanks around it allowed) rounded half away from zero and
// padded with zeros to at least minDigits; a minus sign stays in front.
// Text that is not a number comes back unchanged.
std::string FormatWholeNumber(const std::string& text, int minDigits);

// The "ddmmyyyy" format: "dd/mm/yyyy" (day and month may have one digit) or
// eight digits ddmmyyyy that name a real calendar date are written as
// ddmmyyyy; anything else (such as 00/00/0000) comes back unchanged.
std::string FormatDateDdmmyyyy(const std::string& text);

// The value written for one key of the table, without blanks around it.
std::string FormatResultValue(const std::string& key, const std::string& value);

// The whole file as WritePrivateProfileString produces it for a fresh
// file: "[ProvaFari]" and one "Key=Value" line per key, CR LF line ends,
// each value as FormatResultValue gives it.
std::string BuildResultFile(const FarResult& result);

} // namespace heliotab
