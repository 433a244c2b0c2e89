#include "dialogs/AboutTexts.h"

#include "settings/Language.h"

namespace heliotab {

namespace {

// Language ids of the about box.
enum : int {
    kIdCaption = 201,
    kIdVersion = 202,
    kIdDescription = 203,
    kIdDisclaimer = 204,
    kIdSysInfo = 205,
    kIdDirVersion = 206,
    kIdNetVersion = 207,
};

// The exchange protocol versions this program implements.
constexpr const char* kDirVersion = "1.4b";
constexpr const char* kNetVersion = "100";
constexpr const char* kNetDate = "02111999";  // ddmmyyyy

}  // namespace

AboutTexts BuildAboutTexts(AppState& st, const std::string& mainCaption, const ProgramVersion& v) {
    const std::string date = kNetDate;
    AboutTexts t;
    t.caption = GetLangString(st, kIdCaption) + " " + mainCaption;
    t.title = mainCaption;
    t.version = GetLangString(st, kIdVersion) + " " + std::to_string(v.major) + "." + std::to_string(v.minor);
    t.revision = "(Rev. " + std::to_string(v.revision) + ")";
    t.showRevision = v.revision >= 1;
    t.dirVersion = GetLangString(st, kIdDirVersion) + " " + kDirVersion;
    t.netVersion = GetLangString(st, kIdNetVersion) + " " + kNetVersion + "  (" + date.substr(0, 2) + "/" +
                   date.substr(2, 2) + "/" + date.substr(4) + ")";
    t.description = GetLangString(st, kIdDescription);
    t.disclaimer = GetLangString(st, kIdDisclaimer);
    t.sysInfo = GetLangString(st, kIdSysInfo);
    return t;
}

std::string SysInfoProgram(const SysInfoValues& values, const std::function<bool(const std::string&)>& fileExists) {
    if (values.msinfoPath) return *values.msinfoPath;
    if (values.toolsFolder) {
        const std::string program = *values.toolsFolder + "\\MSINFO32.EXE";
        if (fileExists(program)) return program;
    }
    return "";
}

}  // namespace heliotab
