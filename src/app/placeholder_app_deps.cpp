// PLACEHOLDER (development only): settings functions until the settings subsystem lands.
#include "settings/Language.h"
#include "settings/Settings.h"
namespace heliotab {
std::string JoinPath(const std::string& f, const std::string& n) { return f.empty() || f.back() == '\\' ? f + n : f + "\\" + n; }
void BindProgramStores(AppState&) {}
void LoadSettings(AppState&) {}
bool ParseBoolean(const std::string&, bool d) { return d; }
int ParsePort(const std::string&, int d) { return d; }
TagIds ParseTag(const std::string&) { return {}; }
std::string TrayTipText(AppState&) { return ""; }
}
