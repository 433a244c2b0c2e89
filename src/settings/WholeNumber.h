// The whole numbers of the settings file ("Porta Seriale" and the Boolean
// keys) all read by one rule: blanks around, an optional sign, decimal
// digits and, optionally, a "." followed only by zeros ("3", "+3", " 3 ",
// "3.0" and "3." are 3). A fraction ("3.5", "0.5"), an exponent, any other
// character or no digit at all is no whole number, and the caller takes the
// key's default: the program writes only plain digits, so anything else
// is damage, and guessing a port or a switch from it would be worse.
#pragma once

#include <string>

namespace heliotab {

// Magnitudes beyond kWholeNumberLimit read as that limit, with their sign:
// far outside every range the settings check, never a wrap-around.
inline constexpr long kWholeNumberLimit = 999999999;

bool ReadWholeNumber(const std::string& text, long& value);

} // namespace heliotab
