// What the about box shows and which system-information program it starts,
// as plain data (the window itself is frmInfo_win32).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "shared/AppState.h"

namespace heliotab {

// The program's version as its version resource records it.
struct ProgramVersion {
    int major = 0, minor = 0, revision = 0;
};

struct AboutTexts {
    std::string caption;  // lblCaption (also the dialog's window text)
    std::string title;    // lblTitle
    std::string version;  // lblVersion
    std::string revision; // lblRevision
    bool showRevision = false;
    std::string dirVersion;  // lblDIRVersion
    std::string netVersion;  // lblMCTCNetVersion
    std::string description; // lblDescription
    std::string disclaimer;  // lblDisclaimer
    std::string sysInfo;     // cmdSysInfo
};

AboutTexts BuildAboutTexts(AppState& st, const std::string& mainCaption,
                           const ProgramVersion& version);

// The registry values StartSysInfo reads (nullopt: not there or not text).
struct SysInfoValues {
    std::optional<std::string> msinfoPath;  // ...\Shared Tools\MSINFO, PATH
    std::optional<std::string> toolsFolder; // ...\Shared Tools Location, MSINFO
};

// The program to start: PATH when present; else MSINFO32.EXE in the folder
// when that file exists; else empty (the tool is not available).
std::string SysInfoProgram(const SysInfoValues& values,
                           const std::function<bool(const std::string&)>& fileExists);

} // namespace heliotab
