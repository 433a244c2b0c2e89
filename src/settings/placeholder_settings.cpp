// PLACEHOLDER (development only): replaced by the settings subsystem.
#include "settings/Language.h"
#include "settings/clsIniFiles.h"
namespace heliotab {
namespace { struct NullBackend : ProfileBackend {
    uint32_t GetString(const char*, const char*, const char* def, char* b, uint32_t size, const char*) override {
        std::string d = def ? def : ""; if (d.size() >= size) d.resize(size ? size - 1 : 0);
        std::copy(d.begin(), d.end(), b); if (size) b[d.size()] = 0; return static_cast<uint32_t>(d.size()); }
    bool WriteString(const char*, const char*, const char*, const char*) override { return false; }
}; }
ProfileBackend& DefaultProfileBackend() { static NullBackend b; return b; }
std::string clsIniFiles::ReadString(const std::optional<std::string>& s, const std::optional<std::string>& k, const std::string& def) {
    char buf[4096]; uint32_t n = Backend().GetString(s ? s->c_str() : nullptr, k ? k->c_str() : nullptr, def.c_str(), buf, sizeof buf, path_.c_str());
    return std::string(buf, n); }
bool clsIniFiles::WriteString(const std::string& s, const std::string& k, const std::string& v) { return Backend().WriteString(s.c_str(), k.c_str(), v.c_str(), path_.c_str()); }
bool clsIniFiles::DeleteKey(const std::string& s, const std::string& k) { return Backend().WriteString(s.c_str(), k.c_str(), nullptr, path_.c_str()); }
void clsIniFiles::Flush() { Backend().WriteString(nullptr, nullptr, nullptr, path_.c_str()); }
std::string GetLangString(AppState&, int) { return kNoResource; }
std::string LangValue(AppState&, const std::string&) { return kNoResource; }
}
