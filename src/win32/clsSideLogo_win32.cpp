#include "win32/clsSideLogo_win32.h"

#include <cfenv>
#include <cmath>

#include "win32/ScopedWin_win32.h"

namespace heliotab {

COLORREF clsSideLogo::Resolve(uint32_t color) {
    // A system colour: the low byte is the GetSysColor index (as OleTranslateColor does).
    if (color & 0x80000000u)
        return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color & 0x00FFFFFF);
}

void clsSideLogo::SetDrawingObject(HWND control) {
    control_ = control;
}

void clsSideLogo::SetStartColor(uint32_t color) {
    if (color == startColor_)
        return;
    startColor_ = color;
    if (control_)
        Draw();
}

void clsSideLogo::SetEndColor(uint32_t color) {
    if (color == endColor_)
        return;
    endColor_ = color;
    if (control_)
        Draw();
}

void clsSideLogo::Draw() {
    if (!control_ || !IsWindow(control_))
        return;
    InvalidateRect(control_, nullptr, FALSE);
    UpdateWindow(control_);
}

int clsSideLogo::BandHeight(int height) {
    const int s = height / 255;
    return s == 0 ? 1 : s;
}

void clsSideLogo::Paint(HDC dc, int width, int height) const {
    if (width <= 0 || height <= 0)
        return;
    const COLORREF start = Resolve(startColor_);
    const COLORREF end = Resolve(endColor_);
    const int s0[3] = {GetRValue(start), GetGValue(start), GetBValue(start)};
    const int delta[3] = {GetRValue(end) - s0[0], GetGValue(end) - s0[1], GetBValue(end) - s0[2]};
    const int H = height;
    const int s = BandHeight(H);

    // Bottom up; the colour of a band is computed after it is filled, so the
    // two lowest bands both have the start colour.
    int current[3] = {s0[0], s0[1], s0[2]};
    const int oldRounding = std::fegetround();
    std::fesetround(FE_TONEAREST); // halves to the even number
    int y = H;
    for (int v = H; v >= 0; v -= s) {
        RECT band{0, y - s, width, y};
        const ScopedBrush brush(CreateSolidBrush(RGB(current[0], current[1], current[2])));
        if (brush)
            FillRect(dc, &band, brush.Get());
        y -= s;
        for (int c = 0; c < 3; ++c)
            current[c] =
                static_cast<int>(std::nearbyint(s0[c] + static_cast<double>(H - v) * delta[c] / H));
    }
    std::fesetround(oldRounding);

    if (Caption.empty())
        return;
    LOGFONTA lf{};
    const int points = static_cast<int>(std::nearbyint(FontPoints));
    lf.lfHeight = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    lf.lfWidth = -MulDiv(11, GetDeviceCaps(dc, LOGPIXELSX), 72);
    if (lf.lfWidth < 0)
        lf.lfWidth = -lf.lfWidth; // GDI takes the magnitude
    lf.lfWeight = FontBold ? FW_BOLD : FW_NORMAL;
    lf.lfEscapement = 900;
    lf.lfOrientation = 900;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(lf.lfFaceName, FontName.c_str(), LF_FACESIZE);
    const ScopedFont font(CreateFontIndirectA(&lf));
    if (!font)
        return;
    const SelectedObject selected(dc, font.Get());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = GetTextColor(dc);
    // A shadow in the start colour keeps the text readable where the
    // gradient turns light.
    SetTextColor(dc, start);
    TextOutA(dc, 1, H - 12 + 1, Caption.data(), static_cast<int>(Caption.size()));
    SetTextColor(dc, TextColor);
    TextOutA(dc, 0, H - 12, Caption.data(), static_cast<int>(Caption.size()));
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

} // namespace heliotab
