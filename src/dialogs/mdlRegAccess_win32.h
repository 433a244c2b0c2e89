// mdlRegAccess: three small registry routines, and the program's autostart
// entry on top of them.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/frmOpzioni.h"

namespace heliotab {

// Each routine asks only for the rights it needs: a standard account may
// read the machine-wide keys but not change them. `view` is 0 (the
// program's own view) or KEY_WOW64_64KEY / KEY_WOW64_32KEY.

// The value's text (REG_SZ or REG_EXPAND_SZ, unexpanded). A value that is
// not text or needs more than 1024 bytes is found with an empty text.
RegValue ReadRegString(HKEY root, const std::string& keyPath, const std::string& valueName,
                       REGSAM view = 0);
// Creates the key if needed; an empty text is stored as one blank.
bool WriteRegString(HKEY root, const std::string& keyPath, const std::string& valueName,
                    const std::string& text, REGSAM view = 0);
// True when the value is gone: deleted (and the key closed), or never there.
bool DeleteRegValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                    REGSAM view = 0);

// The autostart value "HELIOTAB" under HKLM\Software\Microsoft\Windows\CurrentVersion\Run.
class RegistryAutostart : public AutostartEntry {
public:
    static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* kValueName = "HELIOTAB";
    RegValue Read(RegView view) override {
        return ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, kValueName, Flag(view));
    }
    bool Write(const std::string& text) override {
        return WriteRegString(HKEY_LOCAL_MACHINE, kRunKey, kValueName, text, KEY_WOW64_64KEY);
    }
    bool Delete(RegView view) override {
        return DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, kValueName, Flag(view));
    }

private:
    static REGSAM Flag(RegView view) {
        return view == RegView::Bits64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    }
};

} // namespace heliotab
