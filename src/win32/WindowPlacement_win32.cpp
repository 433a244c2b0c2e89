#include "win32/WindowPlacement_win32.h"

namespace heliotab {

void CentreOnOwner(HWND window, int width, int height) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner))
        owner = GetDesktopWindow();
    RECT r{};
    GetWindowRect(owner, &r);
    SetWindowPos(window, nullptr, r.left + (r.right - r.left - width) / 2,
                 r.top + (r.bottom - r.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace heliotab
