#include "win32/mdlDraw_win32.h"

#include <cmath>

#include "win32/ScopedWin_win32.h"

namespace heliotab {

namespace {
int TwipsPerPixel(int logPixelsIndex) {
    const WindowDC screen(nullptr);
    int dpi = screen ? GetDeviceCaps(screen.Get(), logPixelsIndex) : 96;
    if (dpi <= 0)
        dpi = 96;
    int tpp = static_cast<int>(std::lround(1440.0 / dpi));
    return tpp < 1 ? 1 : tpp;
}
} // namespace

int TwipsPerPixelX() {
    return TwipsPerPixel(LOGPIXELSX);
}
int TwipsPerPixelY() {
    return TwipsPerPixel(LOGPIXELSY);
}

int TwipsToPixels(int twips, int twipsPerPixel) {
    if (twipsPerPixel < 1)
        twipsPerPixel = 1;
    return twips / twipsPerPixel;
}

void DrawBorder(HDC dc, int left, int top, int right, int bottom) {
    const int tx = TwipsPerPixelX();
    const int ty = TwipsPerPixelY();
    RECT r{TwipsToPixels(left, tx), TwipsToPixels(top, ty), TwipsToPixels(right, tx),
           TwipsToPixels(bottom, ty)};
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
}

void SetAlwaysOnTop(HWND window, bool onTop) {
    SetWindowPos(window, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE);
}

} // namespace heliotab
