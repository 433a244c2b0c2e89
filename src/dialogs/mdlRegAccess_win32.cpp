#include "dialogs/mdlRegAccess_win32.h"

namespace heliotab {

namespace {

constexpr DWORD kReadBufferSize = 1024;

// An open key, closed when it goes out of scope unless closed by hand.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }
    bool Close() {
        if (!key_)
            return true;
        const LONG r = RegCloseKey(key_);
        key_ = nullptr;
        return r == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

// A key or value that is not there; anything else (no right to it, chiefly)
// leaves the state unknown.
RegValue::State NotRead(LONG error) {
    return error == ERROR_FILE_NOT_FOUND ? RegValue::State::Missing : RegValue::State::Unreadable;
}

} // namespace

RegValue ReadRegString(HKEY root, const std::string& keyPath, const std::string& valueName,
                       REGSAM view) {
    const RegValue notText{RegValue::State::Found, ""};
    RegKey key;
    LONG r = RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | view, key.Out());
    if (r != ERROR_SUCCESS)
        return {NotRead(r), ""};
    char buffer[kReadBufferSize] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    r = RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &size);
    if (r == ERROR_MORE_DATA)
        return notText;
    if (r != ERROR_SUCCESS)
        return {NotRead(r), ""};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return notText;
    // The value need not end with a NUL: never read past what was returned,
    // and a full buffer without one may be cut short, so it counts as too long.
    const DWORD n = size < kReadBufferSize ? size : kReadBufferSize;
    std::string text(buffer, n);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    else if (n >= kReadBufferSize)
        return notText;
    return {RegValue::State::Found, text};
}

bool WriteRegString(HKEY root, const std::string& keyPath, const std::string& valueName,
                    const std::string& text, REGSAM view) {
    RegKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | view, nullptr, key.Out(), &disposition) != ERROR_SUCCESS)
        return false;
    const std::string data = text.empty() ? std::string(" ") : text;
    const LONG r =
        RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    key.Close();
    return r == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                    REGSAM view) {
    RegKey key;
    LONG r = RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_SET_VALUE | view, key.Out());
    if (r == ERROR_SUCCESS)
        r = RegDeleteValueA(key.Get(), valueName.c_str());
    const bool closed = key.Close();
    return (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) && closed;
}

} // namespace heliotab
