// HELIOTAB.ini: binding the program's stores and loading the settings.
#pragma once

#include <string>

#include "shared/AppState.h"
#include "shared/JoinPath.h"

namespace heliotab {

// Start-up steps 4 and 5: LanguageIni and SettingsIni bound beside the program.
void BindProgramStores(AppState& st);

// Start-up steps 6 to 8: reads [Impostazioni] and [Percorsi], checks the
// language against the sections of Language.ini and writes back the two
// values that start-up must write. A value that cannot be converted takes
// its key's default.
void LoadSettings(AppState& st);

// Boolean of the settings file: a whole number (ReadWholeNumber) other than
// 0 is true, the words True and False are accepted; anything else gives def.
bool ParseBoolean(const std::string& text, bool def);
// Port number: a whole number from 0 to 32767; anything else gives def.
int ParsePort(const std::string& text, int def);

} // namespace heliotab
