// clsSideLogo: the narrow picture along a window's side: a vertical gradient
// from StartColor (bottom) to EndColor (top) with Caption written upward.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace heliotab {

class clsSideLogo {
public:
    std::string Caption;

    // The control to paint on; it calls Draw from its own paint (owner draw).
    void SetDrawingObject(HWND control);

    // 0x00BBGGRR, or a system colour with the high bit set (0x8000000F).
    uint32_t StartColor() const { return startColor_; }
    void SetStartColor(uint32_t color);
    uint32_t EndColor() const { return endColor_; }
    void SetEndColor(uint32_t color);

    // The face of the picture's font; the main window's is Comic Sans MS, 13.5 pt, bold.
    std::string FontName = "Comic Sans MS";
    double FontPoints = 13.5;
    bool FontBold = true;
    COLORREF TextColor = RGB(255, 255, 255);

    // Repaints the drawing object now.
    void Draw();
    // Paints a width x height picture on dc (pixels).
    void Paint(HDC dc, int width, int height) const;

    // H / 255, at least 1: the height of one gradient band.
    static int BandHeight(int height);

private:
    static COLORREF Resolve(uint32_t color);
    HWND control_ = nullptr;
    uint32_t startColor_ = 0;
    uint32_t endColor_ = 0x8000000F;
};

} // namespace heliotab
