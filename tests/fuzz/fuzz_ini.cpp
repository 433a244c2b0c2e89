// Arbitrary bytes as an INI file through the portable profile store: no crash
// or hang; lists are names each ended by one NUL, list reads stay inside
// small buffers, and a written value reads back as written.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "reservation/IniText.h"
#include "profile/ProfileStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace heliotab;
    static const std::string path = "/dev/shm/heliotab-fuzz-ini-" + std::to_string(getpid()) +
                                    ".ini"; // no disk behind the flushes
    if (std::FILE* f = std::fopen(path.c_str(), "wb"))
        std::fwrite(data, 1, size, f), std::fclose(f);
    ProfileStore store;
    clsIniFiles ini(store);
    ini.SetIniFile(path);
    const std::string list = ini.ReadString(std::nullopt, std::nullopt);
    if (!list.empty() && list.back() != '\0')
        std::abort();
    const auto sections = SplitIniList(list);
    for (size_t i = 0; i < sections.size() && i < 12; ++i) { // every call reads the file again
        const auto keys = SplitIniList(ini.ReadString(sections[i], std::nullopt));
        for (size_t j = 0; j < keys.size() && j < 12; ++j)
            ini.ReadString(sections[i], keys[j], "d");
        if (sections[i].empty())
            std::abort();
    }
    for (uint32_t n : {1u, 2u, 3u, 7u})
        for (const char* section :
             {static_cast<const char*>(nullptr), sections.empty() ? "" : sections[0].c_str()}) {
            char buf[8];
            if (const uint32_t r = store.GetString(section, nullptr, "", buf, n, path.c_str());
                r > n - 1 || buf[r] != '\0')
                std::abort();
        }
    if (!ini.WriteString("Fuzz", "Key", "value 1") || ini.ReadString("Fuzz", "Key") != "value 1")
        std::abort();
    return 0;
}
