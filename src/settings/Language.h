// Language.ini: texts by numeric id in the section of the current language.
#pragma once

#include <string>

#include "shared/AppState.h"

namespace heliotab {

inline constexpr const char* kNoResource = "No resource!";
inline constexpr const char* kAppTitle = "HELIOTAB";

// The text of id, with every backslash-n turned into CR LF; "No resource!"
// when the file, section or key is missing.
std::string GetLangString(AppState& st, int id);
// The plain value of a key (no backslash-n replacement), same default.
std::string LangValue(AppState& st, const std::string& key);

// The ids in a control's Tag: "c", "c,t", ",t", "c,". -1 where none.
struct TagIds {
    int caption = -1;
    int tooltip = -1;
};
TagIds ParseTag(const std::string& tag);

// Tray tip: the plain value of id 101, " (", "HELIOTAB", ")".
std::string TrayTipText(AppState& st);

} // namespace heliotab
