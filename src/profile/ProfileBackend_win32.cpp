// In heliotab.exe the profile functions are Windows' own.
#include <windows.h>

#include "profile/clsIniFiles.h"

namespace heliotab {

namespace {

class Win32ProfileBackend : public ProfileBackend {
public:
    uint32_t GetString(const char* section, const char* key, const char* def, char* buffer,
                       uint32_t size, const char* file) override {
        return GetPrivateProfileStringA(section, key, def, buffer, size, file);
    }
    bool WriteString(const char* section, const char* key, const char* value,
                     const char* file) override {
        return WritePrivateProfileStringA(section, key, value, file) != 0;
    }
};

} // namespace

ProfileBackend& DefaultProfileBackend() {
    static Win32ProfileBackend backend;
    return backend;
}

} // namespace heliotab
