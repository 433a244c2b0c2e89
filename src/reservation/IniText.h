// A read-only INI text held in memory, looked up the way the Windows profile
// functions look things up: names without regard to case, blanks around
// names and values trimmed, matching quotes around a value stripped, the
// first of duplicate sections or keys wins, ';' comment lines skipped.
// The masks and the reservation's own keys are read through this, so the
// whole file is read once and never re-opened per key.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace heliotab {

class IniText {
public:
    IniText() = default;
    explicit IniText(std::string_view text) { Parse(text); }
    void Parse(std::string_view text);

    // Section names in file order (duplicates too, as the platform lists them).
    std::vector<std::string> SectionNames() const;
    // Key names of the first section of that name, in file order.
    std::vector<std::string> KeyNames(std::string_view section) const;
    // The value, or def when the section or key is missing or has no "=".
    std::string Value(std::string_view section, std::string_view key, std::string_view def = "") const;

private:
    struct Key {
        std::string name;
        std::string value;
        bool hasValue = false;
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };
    const Section* Find(std::string_view section) const;
    std::vector<Section> sections_;
};

// Case-insensitive equality of two 8-bit (Windows-1252) names.
bool NamesEqual(std::string_view a, std::string_view b);

// One value looked up straight in the text, with the same rules as IniText
// but without building anything: for reservation files, whose size is not
// ours to choose.
std::string IniLookup(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view def = "");

// Lines end at CR LF, a lone CR or a lone LF; a last line without an end is
// a line too. fn(line) returns false to stop early.
template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
        size_t end = start;
        while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
        if (!fn(text.substr(start, end - start))) return;
        start = (end + 1 < n && text[end] == '\r' && text[end + 1] == '\n') ? end + 2 : end + 1;
    }
}

std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace heliotab
