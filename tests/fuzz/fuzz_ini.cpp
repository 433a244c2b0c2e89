// Fuzz target of the portable profile store: arbitrary bytes as an INI file,
// then every list form, a few keys and a write.
// Invariant: no crash or hang; every list is names each followed by exactly
// one NUL (none empty), every listed section and key can be read back, a
// raw list read never reports more than size - 1 characters, and a written
// value reads back as written.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/ProfileStore.h"
#include "settings/clsIniFiles.h"

namespace {

std::string FilePath() {
    // /dev/shm: no disk behind the fsync of every write.
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/heliotab-fuzz-ini-" + std::to_string(getpid()) + ".ini";
    return path;
}

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos < list.size()) {
        const size_t e = list.find('\0', pos);
        if (e == std::string::npos) std::abort();  // a list always ends with a NUL
        parts.push_back(list.substr(pos, e - pos));
        pos = e + 1;
    }
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace heliotab;
    const std::string path = FilePath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    ProfileStore store;
    clsIniFiles ini(store);
    ini.SetIniFile(path);

    const std::vector<std::string> sections = Split(ini.ReadString(std::nullopt, std::nullopt));
    // Every call re-reads the file: look at a bounded number of names.
    for (size_t i = 0; i < sections.size() && i < 12; ++i) {
        const std::string& s = sections[i];
        if (s.empty()) std::abort();
        const std::string keys = ini.ReadString(s, std::nullopt, "");
        // A key list starting with an empty name falls back to the default
        // (empty here): then it has no NUL at all.
        if (!keys.empty() && keys.back() != '\0') std::abort();
        const std::vector<std::string> names = Split(keys);
        for (size_t j = 0; j < names.size() && j < 12; ++j) ini.ReadString(s, names[j], "d");
    }
    // Small buffers: truncated lists stay inside the buffer.
    for (uint32_t n : {1u, 2u, 3u, 7u}) {
        char buf[8];
        const uint32_t r = store.GetString(nullptr, nullptr, "", buf, n, path.c_str());
        if (r > n - 1 || buf[r] != '\0') std::abort();
        if (!sections.empty()) {
            const uint32_t k = store.GetString(sections[0].c_str(), nullptr, "", buf, n, path.c_str());
            if (k > n - 1 || buf[k] != '\0') std::abort();
        }
    }
    ini.ReadString("Impostazioni", "Lingua", "Italiano");
    ini.ReadString("", "", "x");

    if (!ini.WriteString("Fuzz", "Key", "value 1")) std::abort();
    if (ini.ReadString("Fuzz", "Key") != "value 1") std::abort();
    return 0;
}
