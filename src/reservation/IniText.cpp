#include "reservation/IniText.h"

#include "profile/clsIniFiles.h"

namespace heliotab {

namespace {

// The parsed text as a profile backend, so that reads take the very path of
// clsIniFiles::ReadString (buffer growth, the list's closing NUL).
class TextBackend : public ProfileBackend {
public:
    explicit TextBackend(const ProfileDocument& doc) : doc_(doc) {}
    uint32_t GetString(const char* section, const char* key, const char* def, char* buffer,
                       uint32_t size, const char*) override {
        return ReadProfileText(doc_, section, key, def, buffer, size);
    }
    bool WriteString(const char*, const char*, const char*, const char*) override { return false; }

private:
    const ProfileDocument& doc_;
};

std::string Read(const ProfileDocument& doc, const std::optional<std::string>& section,
                 const std::optional<std::string>& key, std::string_view def) {
    TextBackend backend(doc);
    clsIniFiles ini(backend);
    return ini.ReadString(section, key, std::string(def));
}

} // namespace

std::vector<std::string> SplitIniList(const std::string& list) {
    std::vector<std::string> names;
    size_t pos = 0;
    for (size_t nul; (nul = list.find('\0', pos)) != std::string::npos; pos = nul + 1)
        names.push_back(list.substr(pos, nul - pos));
    return names;
}

std::vector<std::string> IniText::SectionNames() const {
    return SplitIniList(Read(doc_, std::nullopt, std::nullopt, ""));
}

std::vector<std::string> IniText::KeyNames(std::string_view section) const {
    return SplitIniList(Read(doc_, std::string(section), std::nullopt, ""));
}

std::string IniText::Value(std::string_view section, std::string_view key,
                           std::string_view def) const {
    return Read(doc_, std::string(section), std::string(key), def);
}

} // namespace heliotab
