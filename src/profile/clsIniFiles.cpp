// clsIniFiles: a thin object over the profile functions, bound to one file.
#include "profile/clsIniFiles.h"

#include <vector>

namespace heliotab {

namespace {

// The read buffer grows in steps of 256 characters. Past 16 KiB it doubles
// instead (same result, far fewer re-reads of a file with a huge line), and
// it stops at 16 MiB: no INI text of the program comes near that, and an
// endless growth would only end in running out of memory.
constexpr uint32_t kStep = 256;
constexpr uint32_t kLinearLimit = 16 * 1024;
constexpr uint32_t kMaxSize = 16 * 1024 * 1024;

const char* OrNull(const std::optional<std::string>& s) {
    return s ? s->c_str() : nullptr;
}

} // namespace

std::string clsIniFiles::ReadString(const std::optional<std::string>& section,
                                    const std::optional<std::string>& key, const std::string& def) {
    std::vector<char> buffer;
    uint32_t size = 0;
    uint32_t n = 0;
    for (;;) {
        size = size < kLinearLimit ? size + kStep : size * 2;
        buffer.assign(size + 1, '\0');
        n = Backend().GetString(OrNull(section), OrNull(key), def.c_str(), buffer.data(), size + 1,
                                path_.c_str());
        if (n > size)
            n = size; // never trust a count beyond the buffer
        if (n < size - 1 || size >= kMaxSize)
            break;
    }
    if (n == 0)
        return std::string();
    // A list ends with two NULs; keep only one of them.
    if (n > 1 && buffer[n - 1] == '\0' && buffer[n - 2] == '\0')
        n -= 1;
    return std::string(buffer.data(), n);
}

bool clsIniFiles::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
    return Backend().WriteString(section.c_str(), key.c_str(), value.c_str(), path_.c_str());
}

bool clsIniFiles::DeleteKey(const std::string& section, const std::string& key) {
    return Backend().WriteString(section.c_str(), key.c_str(), nullptr, path_.c_str());
}

void clsIniFiles::Flush() {
    Backend().WriteString(nullptr, nullptr, nullptr, path_.c_str());
}

} // namespace heliotab
