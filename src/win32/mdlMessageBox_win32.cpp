#include "win32/PlatformAdapters_win32.h"

namespace heliotab {

int Win32Messages::ShowMessage(const std::string& text, const std::string& title, int style) {
    HWND owner = owner_ && IsWindow(owner_) ? owner_ : nullptr;
    return MessageBoxA(owner, text.c_str(), title.c_str(), static_cast<UINT>(style));
}

} // namespace heliotab
