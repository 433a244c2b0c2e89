// mdlRegAccess: three small registry routines, and the program's autostart
// entry on top of them.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/frmOpzioni.h"

namespace heliotab {

// Every key is opened with this mask: all key-specific rights plus READ_CONTROL.
inline constexpr REGSAM kRegAccessMask = 0x2003F;

// The value's text (REG_SZ or REG_EXPAND_SZ, unexpanded); empty when the key
// cannot be opened, the value is missing, is not text, or needs more than
// 1024 bytes.
std::string ReadRegString(HKEY root, const std::string& keyPath, const std::string& valueName);
// Creates the key if needed; an empty text is stored as one blank.
bool WriteRegString(HKEY root, const std::string& keyPath, const std::string& valueName,
                    const std::string& text);
// True only when the key opened, the value existed and was deleted, and the key closed.
bool DeleteRegValue(HKEY root, const std::string& keyPath, const std::string& valueName);

// The autostart value "HELIOTAB" under HKLM\Software\Microsoft\Windows\CurrentVersion\Run.
class RegistryAutostart : public AutostartEntry {
public:
    static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* kValueName = "HELIOTAB";
    std::string Read() override { return ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, kValueName); }
    bool Write(const std::string& text) override {
        return WriteRegString(HKEY_LOCAL_MACHINE, kRunKey, kValueName, text);
    }
    bool Delete() override { return DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, kValueName); }
};

} // namespace heliotab
