// clsIniFiles: a store bound to one INI file. It keeps no cache: every call
// goes to the profile functions (on Windows the real ones, natively a
// portable store that gives the same results), so two stores on one file
// see each other's writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace heliotab {

// The two Windows profile functions, as an interface. A null pointer is an
// absent argument, as in the Win32 API.
class ProfileBackend {
public:
    virtual ~ProfileBackend() = default;
    // GetPrivateProfileStringA: returns the number of characters copied.
    virtual uint32_t GetString(const char* section, const char* key, const char* def, char* buffer,
                               uint32_t size, const char* file) = 0;
    // WritePrivateProfileStringA: true on success.
    virtual bool WriteString(const char* section, const char* key, const char* value,
                             const char* file) = 0;
};

// The backend of this build: the Win32 profile functions in heliotab.exe,
// the portable store natively.
ProfileBackend& DefaultProfileBackend();

class clsIniFiles {
public:
    clsIniFiles() = default;
    explicit clsIniFiles(ProfileBackend& backend) : backend_(&backend) {}

    const std::string& IniFile() const { return path_; }
    void SetIniFile(const std::string& path) { path_ = path; }

    // Section and key given: the value or def. Key absent: the key names of
    // the section, each followed by one NUL. Both absent: the section names,
    // each followed by one NUL. Empty means nothing.
    std::string ReadString(const std::optional<std::string>& section,
                           const std::optional<std::string>& key, const std::string& def = "");
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool DeleteKey(const std::string& section, const std::string& key);
    void Flush();

private:
    ProfileBackend& Backend() { return backend_ ? *backend_ : DefaultProfileBackend(); }
    ProfileBackend* backend_ = nullptr;
    std::string path_;
};

} // namespace heliotab
