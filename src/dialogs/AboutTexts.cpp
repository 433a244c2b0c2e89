#include "dialogs/AboutTexts.h"

#include "settings/Language.h"
#include "settings/LanguageIds.h"

namespace heliotab {

namespace {

// The exchange protocol versions this program implements.
constexpr const char* kDirVersion = "1.4b";
constexpr const char* kNetVersion = "100";
constexpr const char* kNetDate = "02111999"; // ddmmyyyy

} // namespace

AboutTexts BuildAboutTexts(AppState& st, const std::string& mainCaption, const ProgramVersion& v) {
    const std::string date = kNetDate;
    AboutTexts t;
    t.caption = GetLangString(st, kTextAboutCaption) + " " + mainCaption;
    t.title = mainCaption;
    t.version = GetLangString(st, kTextAboutVersion) + " " + std::to_string(v.major) + "." +
                std::to_string(v.minor);
    t.revision = "(Rev. " + std::to_string(v.revision) + ")";
    t.showRevision = v.revision >= 1;
    t.dirVersion = GetLangString(st, kTextAboutDirVersion) + " " + kDirVersion;
    t.netVersion = GetLangString(st, kTextAboutNetVersion) + " " + kNetVersion + "  (" +
                   date.substr(0, 2) + "/" + date.substr(2, 2) + "/" + date.substr(4) + ")";
    t.description = GetLangString(st, kTextAboutDescription);
    t.disclaimer = GetLangString(st, kTextAboutDisclaimer);
    t.sysInfo = GetLangString(st, kTextAboutSysInfo);
    return t;
}

std::string SysInfoProgram(const SysInfoValues& values,
                           const std::function<bool(const std::string&)>& fileExists) {
    if (values.msinfoPath)
        return *values.msinfoPath;
    if (values.toolsFolder) {
        const std::string program = *values.toolsFolder + "\\MSINFO32.EXE";
        if (fileExists(program))
            return program;
    }
    return "";
}

} // namespace heliotab
