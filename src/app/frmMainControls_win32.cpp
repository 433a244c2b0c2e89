// frmMain: creating and placing its controls.
#include "app/frmMain_win32.h"

#include <commctrl.h>

#include <tuple>

#include "win32/ApplyLanguage_win32.h"
#include "app/frmMain.h"
#include "app/frmMainDesign_win32.h"
#include "win32/mdlDraw_win32.h"
#include "device/SerialPort_win32.h"
#include "res/resource.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "settings/Language.h"

namespace heliotab {

using namespace main_design;

void frmMain::CreateControls() {
    designW_ = Px(kClientWidth);

    logo_ = AddControl(0, "STATIC", SS_OWNERDRAW, IDC_MAIN_LOGO, 0, 0, Px(kLogoWidth), Px(100));
    logo.SetDrawingObject(logo_);

    CreateToolbar();
    CreateFrames();

    // The logo runs the full height of the content.
    for (auto& p : placed_)
        if (p.hwnd == logo_)
            p.rect.bottom = designH_;

    status_ =
        CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0,
                        hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_STATUSBAR), instance_, nullptr);
    SendMessageA(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    RECT sr;
    GetWindowRect(status_, &sr);
    statusH_ = sr.bottom - sr.top;

    tooltip_ =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, Px(400));
}

void frmMain::CreateToolbar() {
    const int x = Px(kLogoWidth);
    const int width = designW_ - x;
    rebar_ = CreateWindowExA(
        WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
            RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
        x, 0, width, Px(40), hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_REBAR), instance_, nullptr);

    toolbar_ = CreateWindowExA(
        0, TOOLBARCLASSNAMEA, nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
            TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
        0, 0, width, Px(36), rebar_, reinterpret_cast<HMENU>(IDC_MAIN_TOOLBAR), instance_, nullptr);
    SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    SendMessageA(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    // Commands and tooltip requests come straight to the main window.
    SendMessageA(toolbar_, TB_SETPARENT, reinterpret_cast<WPARAM>(hwnd_), 0);

    images_.Reset(ImageList_Create(24, 24, ILC_COLOR24 | ILC_MASK, 5, 0));
    hotImages_.Reset(ImageList_Create(24, 24, ILC_COLOR24 | ILC_MASK, 5, 0));
    for (auto [list, id] :
         {std::pair{images_.Get(), IDB_TOOLBAR}, std::pair{hotImages_.Get(), IDB_TOOLBAR_HOT}}) {
        const ScopedBitmap strip(static_cast<HBITMAP>(
            LoadImageA(instance_, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (strip)
            ImageList_AddMasked(list, strip.Get(), RGB(255, 0, 255));
    }
    SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Get()));
    SendMessageA(toolbar_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotImages_.Get()));

    std::vector<TBBUTTON> buttons;
    TBBUTTON panelSep{};
    panelSep.iBitmap = Px(kComboWidth + 130);
    panelSep.idCommand = IDC_MAIN_TB_PANEL;
    panelSep.fsStyle = BTNS_SEP;
    buttons.push_back(panelSep);
    TBBUTTON gap{};
    gap.iBitmap = Px(8);
    gap.fsStyle = BTNS_SEP;
    buttons.push_back(gap);
    int image = 0;
    for (const ButtonDef& b : kButtons) {
        TBBUTTON tb{};
        tb.iBitmap = image++;
        tb.idCommand = b.command;
        tb.fsState = TBSTATE_ENABLED;
        tb.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        tb.iString = reinterpret_cast<INT_PTR>(b.caption);
        buttons.push_back(tb);
    }
    SendMessageA(toolbar_, TB_ADDBUTTONSA, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);

    panel_ = CreateWindowExA(WS_EX_CONTROLPARENT, kPanelClass, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, Px(kComboWidth + 130),
                             Px(30), toolbar_, reinterpret_cast<HMENU>(IDC_MAIN_PANEL_REVISIONE),
                             instance_, nullptr);
    lblRevisione_ = AddControl(0, "STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX,
                               IDC_MAIN_LBL_REVISIONE, 0, 0, Px(120), Px(22), panel_);
    combo_ = AddControl(0, "COMBOBOX", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                        IDC_MAIN_CBO_REVISIONE, Px(124), 0, Px(kComboWidth), Px(240), panel_);
    SendMessageA(combo_, CB_SETMINVISIBLE, 12, 0);
    SendMessageA(combo_, CB_SETDROPPEDWIDTH, Px(kComboListWidth), 0);
    SetWindowSubclass(combo_, &ComboProc, 1, reinterpret_cast<DWORD_PTR>(this));

    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE;
    band.fStyle = RBBS_NOGRIPPER | RBBS_CHILDEDGE;
    band.hwndChild = toolbar_;
    SIZE ideal{};
    SendMessageA(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
    const DWORD buttonSize = static_cast<DWORD>(SendMessageA(toolbar_, TB_GETBUTTONSIZE, 0, 0));
    band.cxMinChild = 0;
    band.cyMinChild = HIWORD(buttonSize);
    band.cx = width;
    SendMessageA(rebar_, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    rebarH_ = static_cast<int>(SendMessageA(rebar_, RB_GETBARHEIGHT, 0, 0));
    if (rebarH_ <= 0)
        rebarH_ = HIWORD(buttonSize) + Px(6);
    placed_.push_back({rebar_, RECT{x, 0, x + width, rebarH_}});
    LayoutPanel();
}

void frmMain::LayoutPanel() {
    // The label takes what its text needs; the separator makes room for both.
    char text[256];
    const int n = GetWindowTextA(lblRevisione_, text, sizeof text);
    SIZE extent{0, 0};
    {
        const WindowDC dc(lblRevisione_);
        const SelectedObject selected(dc.Get(), font_.Get());
        GetTextExtentPoint32A(dc.Get(), text, n, &extent);
    }
    const int labelW = extent.cx + Px(8);
    const int panelW = labelW + Px(kComboWidth) + Px(4);

    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(panelW);
    SendMessageA(toolbar_, TB_SETBUTTONINFOA, IDC_MAIN_TB_PANEL, reinterpret_cast<LPARAM>(&info));

    RECT item{};
    SendMessageA(toolbar_, TB_GETRECT, IDC_MAIN_TB_PANEL, reinterpret_cast<LPARAM>(&item));
    const int h = item.bottom - item.top;
    MoveWindow(panel_, item.left + Px(4), item.top, panelW, h, TRUE);
    RECT cr;
    GetWindowRect(combo_, &cr);
    const int comboH = cr.bottom - cr.top;
    MoveWindow(lblRevisione_, 0, 0, labelW, h, TRUE);
    const int comboY = (h - comboH) / 2;
    SetWindowPos(combo_, nullptr, labelW, comboY > 0 ? comboY : 0, Px(kComboWidth), Px(240),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmMain::CreateFrames() {
    const int left = Px(kLogoWidth) + Px(kMargin);
    const int top = rebarH_ + Px(kMargin);
    const int colW = (designW_ - left - 2 * Px(kMargin)) / 2;
    const int rightX = left + colW + Px(kMargin);

    auto frameHeight = [&](int rows) { return Px(kFrameTop) + rows * Px(kRowHeight) + Px(14); };
    const int farH = frameHeight(6);
    const int vehicleH = frameHeight(3);
    const int operatorH = farH - vehicleH - Px(kMargin);

    // Captions and values first, frames last: a group box lies beneath the
    // controls it surrounds and clips itself against them.
    auto rows = [&](int fx, int fy, int fw, int fh, int count, const int* captionIds,
                    const int* valueIds, HWND* values) {
        const int contentTop = fy + Px(kFrameTop);
        const int slack = fh - Px(kFrameTop) - Px(14) - count * Px(kRowHeight);
        const int y0 = contentTop + (slack > 0 ? slack / 2 : 0);
        const int valueX = fx + Px(12) + Px(kCaptionWidth);
        const int valueW = fx + fw - Px(12) - valueX;
        for (int i = 0; i < count; ++i) {
            const int y = y0 + i * Px(kRowHeight);
            AddControl(0, "STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, captionIds[i],
                       fx + Px(12), y, Px(kCaptionWidth) - Px(4), Px(kValueHeight));
            // Owner-drawn, to keep the value off the sunken edge; the text stays the window text.
            values[i] = AddControl(WS_EX_STATICEDGE, "STATIC", SS_OWNERDRAW, valueIds[i], valueX, y,
                                   valueW, Px(kValueHeight));
        }
    };

    const int vehicleCaptions[] = {IDC_MAIN_LBL_AUTO_MARCA, IDC_MAIN_LBL_AUTO_MODELLO,
                                   IDC_MAIN_LBL_AUTO_TARGA};
    const int vehicleValues[] = {IDC_MAIN_DATI_VEICOLO_0, IDC_MAIN_DATI_VEICOLO_1,
                                 IDC_MAIN_DATI_VEICOLO_2};
    rows(left, top, colW, vehicleH, 3, vehicleCaptions, vehicleValues, vehicle_);

    const int operatorY = top + vehicleH + Px(kMargin);
    const int operatorCaptions[] = {IDC_MAIN_LBL_NOME_OPERATORE};
    const int operatorValues[] = {IDC_MAIN_DATI_OPERATORE};
    rows(left, operatorY, colW, operatorH, 1, operatorCaptions, operatorValues, &operator_);

    const int farCaptions[] = {IDC_MAIN_LBL_APP_MARCA,        IDC_MAIN_LBL_APP_MODELLO,
                               IDC_MAIN_LBL_APP_OMOLOGAZIONE, IDC_MAIN_LBL_APP_NSERIE,
                               IDC_MAIN_LBL_APP_VERSIONE,     IDC_MAIN_LBL_APP_SCADENZA};
    const int farValues[] = {IDC_MAIN_DATI_APP_0, IDC_MAIN_DATI_APP_1, IDC_MAIN_DATI_APP_2,
                             IDC_MAIN_DATI_APP_3, IDC_MAIN_DATI_APP_4, IDC_MAIN_DATI_APP_5};
    rows(rightX, top, colW, farH, 6, farCaptions, farValues, device_);

    const DWORD groupStyle = BS_GROUPBOX | WS_CLIPSIBLINGS;
    for (auto [id, x, y, h] : {std::tuple{IDC_MAIN_FRA_VEHICLE, left, top, vehicleH},
                               std::tuple{IDC_MAIN_FRA_OPERATOR, left, operatorY, operatorH},
                               std::tuple{IDC_MAIN_FRA_FAR, rightX, top, farH}}) {
        HWND frame = AddControl(0, "BUTTON", groupStyle, id, x, y, colW, h);
        SetWindowSubclass(frame, &FrameProc, 1, 0);
    }

    designH_ = top + farH + Px(kMargin) + Px(2);
}

void frmMain::CreateTrayMenu() {
    trayMenu_.Reset(CreatePopupMenu());
    AppendMenuA(trayMenu_.Get(), MF_STRING, IDM_TRAY_VISUALIZZA, "");
    AppendMenuA(trayMenu_.Get(), MF_STRING, IDM_TRAY_OPZIONI, "");
    AppendMenuA(trayMenu_.Get(), MF_STRING, IDM_TRAY_INFO, "");
    AppendMenuA(trayMenu_.Get(), MF_SEPARATOR, 0, nullptr); // mnuSeparatore
    AppendMenuA(trayMenu_.Get(), MF_STRING, IDM_TRAY_CHIUDI, "");
    SetMenuDefaultItem(trayMenu_.Get(), IDM_TRAY_VISUALIZZA, FALSE);
}

void frmMain::LayoutContent() {
    for (const Placed& p : placed_)
        SetWindowPos(p.hwnd, nullptr, p.rect.left + dx_, p.rect.top + dy_,
                     p.rect.right - p.rect.left, p.rect.bottom - p.rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

// The maximized layout's shift: the designed block (the content and the
// status bar below it) centred in the client area.
void frmMain::CentreMaximizedLayout() {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    dx_ = ((rc.right - rc.left) - w0_) / 2;
    dy_ = ((rc.bottom - rc.top) - h0_) / 2;
    if (dx_ < 0)
        dx_ = 0;
    if (dy_ < 0)
        dy_ = 0;
    LayoutContent();
    SetWindowPos(status_, nullptr, statusRect_.left + dx_, statusRect_.top + dy_,
                 statusRect_.right - statusRect_.left, statusRect_.bottom - statusRect_.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void frmMain::LayoutStatusBar() {
    RECT rc;
    if (maximizedLayout_) {
        GetClientRect(status_, &rc);
    } else {
        SendMessageA(status_, WM_SIZE, 0, 0);
        GetClientRect(hwnd_, &rc);
    }
    const int w = rc.right - rc.left;
    int edges[4];
    edges[3] = -1;
    edges[2] = w - Px(64);
    edges[1] = edges[2] - Px(88);
    edges[0] = edges[1] - Px(220);
    if (edges[0] < Px(60))
        edges[0] = Px(60);
    SendMessageA(status_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}

void frmMain::UpdateClockPanels() {
    char date[64] = "", time[64] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, time, sizeof time);
    // Only a change is written, so the panels do not flicker every second.
    if (clockDate_ != date) {
        clockDate_ = date;
        SendMessageA(status_, SB_SETTEXTA, kPanelDate, reinterpret_cast<LPARAM>(date));
    }
    if (clockTime_ != time) {
        clockTime_ = time;
        SendMessageA(status_, SB_SETTEXTA, kPanelTime, reinterpret_cast<LPARAM>(time));
    }
}

} // namespace heliotab
