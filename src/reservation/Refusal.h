// Why a reservation is refused: one failed check of the selection's
// pre-check or of the mask validation, for the station journal and for
// heliocheck. The operator still sees only the one refusal message.
#pragma once

#include <string>

namespace heliotab {

enum class RefusalRule {
    // The selection's own checks.
    Protocol,       // IdentificazioneProtocollo Versione not 100 or Data not 02111999
    AcceptanceDate, // DataAccettazione not today
    InspectionDate, // DataControlli neither empty nor today
    BookingDate,    // DataPrenotazione not ddmmyyyy, or after today
    VehicleType,    // TipoVeicolo neither LEGGERO nor PESANTE
    // The files.
    Unreadable,  // the reservation cannot be read
    MaskMissing, // a mask is missing, unreadable or without sections
    LineCount,   // not as many non-empty lines as the masks expect
    // The sections and keys.
    MissingSection, // no header line [section]
    MissingKey,     // the next header came before the key
    KeyPastEnd,     // the key search ran off the end of the file
    // The value line, then the mask field.
    Blank,          // a tab, or a blank at either end of the value
    Empty,          // mandatory (N) and empty
    Length,         // too short or too long, or the wrong digits for "N"
    Characters,     // a character outside the allowed ones
    Choice,         // not one of the listed values
    Number,         // not digits with at most one "."
    Date,           // not a real ddmmyyyy date, or a yyyy year outside 1900-2100
    Time,           // not a real hhmmss time
    Outcome,        // not R, A, I or E
    YesNo,          // not S or N
    MaskDefinition, // the field's descriptor cannot be applied
    MaskPresence,   // the descriptor's presence letter is not I, O or N
    MaskNumbers,    // the descriptor's lengths or a class range cannot be read (the last)
};

struct Refusal {
    std::string file;    // the reservation's path as given
    std::string section; // empty when the check is not about one section
    std::string key;     // empty when the check is not about one key
    std::string value;
    RefusalRule rule = RefusalRule::Unreadable;
    std::string detail; // what the check expected or found, or the mask's name
    bool operator==(const Refusal&) const = default;
};

// A few plain words for the rule ("line count", "missing key").
const char* RefusalRuleText(RefusalRule rule);

// One line: file, [section], key="value", the rule's words and the detail.
std::string RefusalText(const Refusal& r);

} // namespace heliotab
