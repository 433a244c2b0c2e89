// The FileSystem of this build: POSIX natively (unit tests, benchmarks,
// tools), the Win32 file API in heliotab.exe.
#pragma once

#include <string>

#include "shared/Platform.h"

namespace heliotab {

FileSystem& DefaultFileSystem();

// Natively, maps a Windows path to a POSIX one ('\' becomes '/'); on Windows
// the path is returned unchanged.
std::string NativePath(const std::string& path);

} // namespace heliotab
