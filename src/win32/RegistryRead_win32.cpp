#include "win32/RegistryRead_win32.h"

#include <vector>

#include "win32/ScopedWin_win32.h"

namespace heliotab {

std::optional<std::string> QueryRegValue(HKEY root, const std::string& keyPath,
                                         const std::string& valueName) {
    // Read access is all a look-up needs; asking for more fails for an
    // ordinary user under HKEY_LOCAL_MACHINE.
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    ScopedKey key(raw);
    std::vector<BYTE> buffer(1024, 0);
    DWORD type = 0, size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(raw, valueName.c_str(), nullptr, &type, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ)
        return std::nullopt;
    if (size > 0 && buffer[size - 1] == 0)
        --size;
    return std::string(reinterpret_cast<const char*>(buffer.data()), size);
}

} // namespace heliotab
