// Decoding a results frame (status "2") into FarResult and judging it.
//
// Two layouts: the fixed one (read by position, standard limits, every lamp
// counts) and the separated one (fields cut at NUL, a configuration code
// selects the limits and the lamps that count). A frame that lacks fields,
// whose illumination values are not numbers or whose configuration code is
// unknown gives no result at all: half-read values must never reach a
// result file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shared/FarResult.h"

namespace heliotab {

enum class DecodeError {
    None,
    MissingFields,        // separated layout below 24 fields, or a fixed frame too short
    NotANumber,           // an illumination value does not read as a number
    UnknownConfiguration, // separated layout, code other than "1", "2", "3"
};

// Fills the result fields of a results frame (aim verdicts, illumination
// texts and verdicts, AltezzaAnab, TipoAnab, Esito). On an error `result`
// is left untouched.
DecodeError DecodeResults(const std::string& frame, FarResult& result);

// The frame cut at every NUL (the NULs dropped); fields numbered from 0.
std::vector<std::string> SplitFields(const std::string& frame);

// 1-based substring as the fixed layout reads it: positions past the end
// read as empty text.
std::string FramePart(const std::string& frame, size_t position, size_t length);

// Removes the first "#", trims spaces and upper-cases: " r# " gives "R".
std::string RemoveGrid(const std::string& text);

// A number as the tester sends it: optional spaces, an optional sign,
// digits with "." or "," as the decimal separator (never a thousands
// separator), an optional exponent ("1.2E+1"), optional spaces. Independent
// of any regional setting. A value beyond single precision is no number.
bool ParseTesterNumber(std::string_view text, float& value);
// An illumination value: a tester number whose thousandfold is still finite.
bool ParseIllumination(std::string_view text, float& value);

// value * 1000 in single precision, as the result file wants it: at most
// seven significant digits, shortest form, plain digits at any size
// (10000000, never 1E+07, which the "000000" format could not read), ".5"
// without the leading zero.
std::string IlluminationText(float value);

// "R" when lower <= value <= upper, else "I".
std::string LimitVerdict(float value, double lower, double upper);

} // namespace heliotab
