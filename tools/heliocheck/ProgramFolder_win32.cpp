#include "heliocheck/ProgramFolder.h"

#include "win32/ProgramPath_win32.h"

namespace heliotab::heliocheck {

std::string ProgramFolder() {
    std::string path = ProgramPath();
    path.resize(path.find_last_of("\\/") + 1); // npos + 1: no folder, the current one
    return path;
}

} // namespace heliotab::heliocheck
