// A read-only INI text held in memory, read as the profile functions read
// it: the masks and the reservation's own keys go through this, so the file
// is read once and never re-opened per key. Every answer is the one that
// clsIniFiles::ReadString gives for the same file (same parser, same list
// and value rules), with the lists already split at their NULs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile/ProfileText.h"

namespace heliotab {

class IniText {
public:
    IniText() = default;
    explicit IniText(std::string_view text) { Parse(text); }
    void Parse(std::string_view text) { doc_ = ParseProfileText(text); }

    // Section names in file order (duplicates too, as the platform lists them).
    std::vector<std::string> SectionNames() const;
    // Key names of the first section of that name, in file order; lines
    // without "=" and ';' comments are not keys.
    std::vector<std::string> KeyNames(std::string_view section) const;
    // The value, or def when the section or key is missing or has no "=".
    std::string Value(std::string_view section, std::string_view key,
                      std::string_view def = "") const;

private:
    ProfileDocument doc_;
};

// A list of ReadString split at its NULs; the piece after the last NUL is
// not a name, and an empty list has none.
std::vector<std::string> SplitIniList(const std::string& list);

// The lines of a text where the profile functions end them (see
// ForEachProfileLine), without their line ends: what the validator counts
// and searches line by line. fn(line) returns false to stop early.
template <typename Fn> void ForEachLine(std::string_view text, Fn fn) {
    ForEachProfileLine(text, [&](std::string_view raw, std::string_view) { return fn(raw); });
}

} // namespace heliotab
