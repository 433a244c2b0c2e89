#include "app/StartupPaths_win32.h"

#include "win32/ProgramPath_win32.h"

namespace heliotab {

std::string FolderOf(const std::string& modulePath) {
    const auto slash = modulePath.find_last_of("\\/");
    if (slash == std::string::npos)
        return std::string();
    std::string folder = modulePath.substr(0, slash);
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\'; // "C:" is the root "C:\"
    return folder;
}

std::string ProgramFolder() {
    return FolderOf(ProgramPath());
}

std::string CommandLineArguments(const std::string& fullCommandLine) {
    size_t i = 0;
    const size_t n = fullCommandLine.size();
    while (i < n && (fullCommandLine[i] == ' ' || fullCommandLine[i] == '\t'))
        ++i;
    if (i < n && fullCommandLine[i] == '"') {
        ++i;
        while (i < n && fullCommandLine[i] != '"')
            ++i;
        if (i < n)
            ++i;
    } else {
        while (i < n && fullCommandLine[i] != ' ' && fullCommandLine[i] != '\t')
            ++i;
    }
    while (i < n && (fullCommandLine[i] == ' ' || fullCommandLine[i] == '\t'))
        ++i;
    return fullCommandLine.substr(i);
}

} // namespace heliotab
