// What the program's dialogs are built from: the system's message font, an
// empty template (each dialog makes its own controls), and a caption strip
// that drags a dialog with no title bar.
#pragma once

#include <windows.h>

#include "win32/ScopedWin_win32.h"

namespace heliotab {

// The font the system uses for message boxes, in bold when asked.
ScopedFont MessageFont(bool bold = false);

// A visible child control of the dialog, in the given font.
HWND AddControl(HWND dlg, HFONT font, const char* cls, DWORD style, int id, int x, int y, int w,
                int h, const char* text = "", DWORD exStyle = 0);

// DialogBoxIndirectParamA over an empty template of this style.
INT_PTR ShowEmptyDialog(HWND owner, DWORD style, DWORD exStyle, DLGPROC proc, LPARAM param);

// Drags the control's top-level window while the left button is held on the
// control. The control needs SS_NOTIFY (a static); statics above it without
// SS_NOTIFY let the mouse through to it.
class CaptionDrag {
public:
    CaptionDrag() = default;
    CaptionDrag(const CaptionDrag&) = delete;
    CaptionDrag& operator=(const CaptionDrag&) = delete;
    void Attach(HWND control);

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    bool dragging_ = false;
    POINT from_{};
};

} // namespace heliotab
