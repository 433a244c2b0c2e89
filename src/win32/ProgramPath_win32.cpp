#include "win32/ProgramPath_win32.h"

#include <windows.h>

#include <vector>

namespace heliotab {

std::string ProgramPath() {
    // A path that does not fit is cut to the buffer (n == size): try a larger one.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramBaseName() {
    std::string name = ProgramPath();
    name.erase(0, name.find_last_of("\\/") + 1); // npos + 1: no folder
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

} // namespace heliotab
