// Names of the settings file, its sections and keys, and the file names
// beside the program. Every part of the program uses these constants.
#pragma once

namespace heliotab {

inline constexpr const char* kSettingsFileName = "HELIOTAB.ini";
inline constexpr const char* kLanguageFileName = "Language.ini";

inline constexpr const char* kSectionImpostazioni = "Impostazioni";
inline constexpr const char* kKeyLingua = "Lingua";
inline constexpr const char* kKeyPrimoPiano = "Primo Piano";
inline constexpr const char* kKeyChiudiDopoTest = "Chiudi dopo test";
inline constexpr const char* kKeyChiudiConEsc = "Chiudi con Esc";
inline constexpr const char* kKeyStampaReport = "Stampa report";
inline constexpr const char* kKeyPortaSeriale = "Porta Seriale";

inline constexpr const char* kSectionPercorsi = "Percorsi";
inline constexpr const char* kKeyFilesAcc = "Files .ACC";

// How many days the archive of delivered results keeps them.
inline constexpr const char* kSectionArchivio = "Archivio";
inline constexpr const char* kKeyGiorniConservazione = "Giorni conservazione";

inline constexpr const char* kDefaultLanguage = "Italiano";
inline constexpr const char* kDefaultAccDirectory = "C:\\MCTC\\DIR_FAR\\";

} // namespace heliotab
