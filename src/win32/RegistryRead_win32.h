// Reading one text value of the registry.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace heliotab {

// A text value of the registry; nullopt when the key or value cannot be read
// or the value is not REG_SZ. One trailing NUL is dropped.
std::optional<std::string> QueryRegValue(HKEY root, const std::string& keyPath,
                                         const std::string& valueName);

} // namespace heliotab
