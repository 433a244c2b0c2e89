// Small window and drawing helpers: twips, the raised frame, topmost state.
#pragma once

#include <windows.h>

namespace heliotab {

// Twips per pixel of the screen (15 at 96 dpi), rounded to a whole number.
int TwipsPerPixelX();
int TwipsPerPixelY();
// Whole-number division, remainder dropped (the divisor is never below 1).
int TwipsToPixels(int twips, int twipsPerPixel);

// A raised 3-D frame (EDGE_RAISED, BF_RECT) on a rectangle given in twips.
void DrawBorder(HDC dc, int left, int top, int right, int bottom);

// Only the z-order changes: HWND_TOPMOST or HWND_NOTOPMOST.
void SetAlwaysOnTop(HWND window, bool onTop);

} // namespace heliotab
