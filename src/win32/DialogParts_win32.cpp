#include "win32/DialogParts_win32.h"

#include <commctrl.h>

namespace heliotab {

ScopedFont MessageFont(bool bold) {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    if (bold)
        ncm.lfMessageFont.lfWeight = FW_BOLD;
    return ScopedFont(CreateFontIndirectA(&ncm.lfMessageFont));
}

HWND AddControl(HWND dlg, HFONT font, const char* cls, DWORD style, int id, int x, int y, int w,
                int h, const char* text, DWORD exStyle) {
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x,
                             y, w, h, dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    if (c)
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

INT_PTR ShowEmptyDialog(HWND owner, DWORD style, DWORD exStyle, DLGPROC proc, LPARAM param) {
    // DLGTEMPLATE must be DWORD-aligned; the menu, class and title that
    // follow it are empty.
    struct alignas(4) EmptyTemplate {
        DLGTEMPLATE header;
        WORD menu = 0, windowClass = 0, title = 0;
    } t{};
    t.header.style = style;
    t.header.dwExtendedStyle = exStyle;
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &t.header, owner, proc, param);
}

void CaptionDrag::Attach(HWND control) {
    SetWindowSubclass(control, &CaptionDrag::Proc, 1, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK CaptionDrag::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR ref) {
    auto* self = reinterpret_cast<CaptionDrag*>(ref);
    const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (msg) {
    case WM_LBUTTONDOWN:
        self->dragging_ = true;
        self->from_ = pt;
        SetCapture(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        if (self->dragging_) {
            HWND top = GetAncestor(hwnd, GA_ROOT);
            RECT r{};
            GetWindowRect(top, &r);
            SetWindowPos(top, nullptr, r.left + pt.x - self->from_.x, r.top + pt.y - self->from_.y,
                         0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (self->dragging_) {
            self->dragging_ = false;
            if (msg == WM_LBUTTONUP)
                ReleaseCapture();
        }
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &CaptionDrag::Proc, 1);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

} // namespace heliotab
