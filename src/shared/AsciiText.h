// Small text helpers on 8-bit strings where only the ASCII letters, spaces
// and digits matter (switches, settings values, printer and file names).
#pragma once

#include <string>
#include <string_view>

namespace heliotab {

// Without leading and trailing spaces (' ' only).
std::string TrimSpaces(std::string_view text);
// Without leading and trailing spaces and tabs.
std::string TrimSpacesAndTabs(std::string_view text);
// a-z made A-Z; every other byte as it is.
std::string UpperAscii(std::string text);
// Equal when A-Z and a-z are taken as the same; every other byte must match.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Every byte a digit 0-9 (true for an empty text).
bool AllDigits(std::string_view text);

} // namespace heliotab
