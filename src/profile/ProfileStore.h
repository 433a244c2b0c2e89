// ProfileStore: the profile functions without Windows. Reads and writes the
// INI file directly on every call (no cache) and gives the results that
// GetPrivateProfileStringA / WritePrivateProfileStringA give: names found
// without regard to case, blanks around names and values trimmed, matching
// quotes around a value stripped, the NUL-separated list forms and their
// truncation rules, first section / first key wins.
//
// Writes change the file in place: the line of the key is replaced, a new
// key goes after the last line of its section, a new section at the end,
// and every other byte of the file stays as it was. The whole file is
// written to a temporary file beside it and renamed over the old one.
#pragma once

#include <cstdint>
#include <string>

#include "profile/clsIniFiles.h"

namespace heliotab {

class ProfileStore : public ProfileBackend {
public:
    uint32_t GetString(const char* section, const char* key, const char* def, char* buffer,
                       uint32_t size, const char* file) override;
    bool WriteString(const char* section, const char* key, const char* value,
                     const char* file) override;
};

// Replaces the file at path (a native path) with bytes: a temporary file
// beside it, flushed, then renamed over it. False when the file cannot be
// replaced (read-only, missing folder, disk full).
bool WriteFileWhole(const std::string& path, const std::string& bytes);

} // namespace heliotab
