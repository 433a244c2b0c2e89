// Arbitrary bytes as an INI file through the portable profile store: no crash
// or hang; a list is names each ended by one NUL, none of them empty; small
// buffers are never overrun; a written value reads back as written.
#include <unistd.h>

#include <cstdlib>

#include "fakes/TempDir.h"
#include "reservation/IniText.h"
#include "profile/ProfileStore.h"

using namespace heliotab;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/dev/shm/heliotab-fuzz-ini-" + std::to_string(getpid());
    testutil::WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
    ProfileStore store;
    clsIniFiles ini(store);
    ini.SetIniFile(path);
    const std::string list = ini.ReadString(std::nullopt, std::nullopt);
    if (!list.empty() && list.back() != '\0')
        std::abort();
    for (const std::string& section : SplitIniList(list)) {
        if (section.empty())
            std::abort();
        for (const std::string& key : SplitIniList(ini.ReadString(section, std::nullopt)))
            ini.ReadString(section, key, "d");
        for (uint32_t n : {1u, 2u, 3u, 7u}) {
            char buf[8];
            const uint32_t r = store.GetString(section.c_str(), nullptr, "", buf, n, path.c_str());
            if (r > n - 1 || buf[r] != '\0')
                std::abort();
        }
    }
    if (!ini.WriteString("Fuzz", "Key", "value 1") || ini.ReadString("Fuzz", "Key") != "value 1")
        std::abort();
    return 0;
}
