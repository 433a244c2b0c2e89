// Field descriptors of the mask files: "P,T,Max,Min,Choice1,Choice2,...".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace heliotab {

// The descriptor being applied. Numbers stay texts until a rule converts them.
struct MaskField {
    std::string Presence;  // "I", "O", "N" (one character, or empty)
    std::string FieldType; // "S", "C", "N", "D", "H", "E", "L"
    std::string MaxLen;
    std::string MinLen;
    std::vector<std::string> Choices;
};

// Positions 1 to 6: P is character 1, T character 3, characters 2 and 4 are
// never looked at; from character 5 on come MaxLen, MinLen and the choices,
// split at ",". An empty MinLen becomes "0". MaxLen is left as written.
MaskField ParseDescriptor(std::string_view descriptor);

// Position 7: an empty MaxLen is a mask definition error for "C" (false) and
// becomes "50" for every other type.
bool CompleteMaxLen(MaskField& field);

// A character class choice: "[c]" or "[c-d]".
struct CharClass {
    unsigned char from = 0;
    unsigned char to = 0;
};
bool ParseCharClass(std::string_view choice, CharClass& cls);

// A whole number as MaxLen and MinLen are read: optional blanks around an
// optional sign and decimal digits, in the 32-bit range. False otherwise.
bool ParseWholeNumber(std::string_view text, long& value);

} // namespace heliotab
