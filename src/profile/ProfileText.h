// ProfileText: an INI text as GetPrivateProfileStringA reads it. Where lines
// end, what is a header, a key or neither, how names compare and values are
// trimmed, which lines the lists leave out, how a small buffer cuts a
// result. The portable store reads its files through this, and so does the
// in-memory reader of masks and reservations, so the two cannot drift apart
// from each other or from the platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace heliotab {

// Blanks as the profile functions trim them: the C blanks and Ctrl-Z (old
// DOS end of file). The no-break space (0xA0) is an ordinary character.
bool IsProfileBlank(unsigned char c);
std::string TrimProfileBlanks(std::string_view s);
// The default as the profile reader takes it: trailing spaces removed,
// though never its first character.
std::string TrimProfileDefault(const char* def);
// Names compare without regard to case, in code page 1252.
bool ProfileNamesEqual(std::string_view a, std::string_view b);

// Lines end at every CR, every LF and every CR LF, wherever they stand (a
// lone CR inside a line of an LF file ends that line too). fn(raw, end)
// gets the line without its end and the end itself ("\r\n", "\n", "\r",
// or "" for a last line without one), and returns false to stop.
template <typename Fn> void ForEachProfileLine(std::string_view text, Fn fn) {
    const size_t n = text.size();
    size_t pos = 0;
    while (pos < n) {
        size_t stop = text.find_first_of("\r\n", pos);
        if (stop == std::string_view::npos)
            stop = n;
        size_t next = stop;
        if (stop < n)
            next += text[stop] == '\r' && stop + 1 < n && text[stop + 1] == '\n' ? 2 : 1;
        if (!fn(text.substr(pos, stop - pos), text.substr(stop, next - stop)))
            return;
        pos = next;
    }
}

// One line as read. A changed or new line (edited) keeps its text in raw
// and is written with CR LF; any other keeps the end it was read with.
struct ProfileLine {
    enum Kind { Blank, Header, Entry };
    std::string raw;
    std::string end;
    bool edited = false;
    Kind kind = Blank;
    std::string name;      // section name (Header) or key name (Entry)
    bool hasValue = false; // an Entry with '='
    std::string value;
};
void ClassifyProfileLine(ProfileLine& l);

// A section: its header line (-1 for the lines before the first header,
// which form a section with an empty name) and its entry lines.
struct ProfileSection {
    std::string name;
    int header = -1;
    std::vector<int> entries;
};

struct ProfileDocument {
    std::vector<ProfileLine> lines;
    std::vector<ProfileSection> sections;
    void Index();
};

ProfileDocument ParseProfileText(std::string_view text);

// Index of the first section whose name equals the (trimmed) name, or -1.
int FindProfileSection(const ProfileDocument& doc, const std::string& trimmedName);
// The key's line in that one section, or -1.
int FindProfileKey(const ProfileDocument& doc, int section, const std::string& trimmedKey);

// GetPrivateProfileStringA on a parsed text, into a buffer of size
// characters (size > 0); returns the number of characters copied.
uint32_t ReadProfileText(const ProfileDocument& doc, const char* section, const char* key,
                         const char* def, char* buffer, uint32_t size);

} // namespace heliotab
