// frmMain: window creation, layout and the dispatch of its events.
#include "app/frmMain_win32.h"

#include <commctrl.h>

#include <tuple>

#include "app/ApplyLanguage_win32.h"
#include "app/frmMain.h"
#include "app/mdlDraw_win32.h"
#include "device/Link.h"
#include "device/SerialPort_win32.h"
#include "res/resource.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "settings/Language.h"

namespace heliotab {

namespace {

// Designed sizes in pixels at 96 dpi.
constexpr int kClientWidth = 780;
constexpr int kLogoWidth = 48;
constexpr int kMargin = 12;
constexpr int kFrameTop = 28;      // frame caption band
constexpr int kRowHeight = 35;
constexpr int kCaptionWidth = 112;
constexpr int kValueHeight = 22;
constexpr int kComboWidth = 260;
constexpr int kComboListWidth = 440;  // the open list: room for long model names
constexpr int kPanelTime = 3, kPanelDate = 2;

constexpr TagEntry kControlTags[] = {
    {IDC_MAIN_LBL_REVISIONE, "302"},
    {IDC_MAIN_CBO_REVISIONE, ",304"},
    {IDC_MAIN_FRA_VEHICLE, "305"},
    {IDC_MAIN_LBL_AUTO_MARCA, "306"},
    {IDC_MAIN_LBL_AUTO_MODELLO, "307"},
    {IDC_MAIN_LBL_AUTO_TARGA, "308"},
    {IDC_MAIN_FRA_FAR, "309"},
    {IDC_MAIN_LBL_APP_MARCA, "310"},
    {IDC_MAIN_LBL_APP_MODELLO, "311"},
    {IDC_MAIN_LBL_APP_OMOLOGAZIONE, "312"},
    {IDC_MAIN_LBL_APP_NSERIE, "313"},
    {IDC_MAIN_LBL_APP_VERSIONE, "314"},
    {IDC_MAIN_LBL_APP_SCADENZA, "315"},
    {IDC_MAIN_FRA_OPERATOR, "316"},
    {IDC_MAIN_LBL_NOME_OPERATORE, "317"},
};

struct ButtonDef {
    Button key;
    int command;
    const char* caption;  // the button's key, shown beside its image
    const char* tag;
};
constexpr ButtonDef kButtons[] = {
    {Button::Test, IDC_MAIN_TB_TEST, "Test", ",321"},
    {Button::Ferma, IDC_MAIN_TB_FERMA, "Ferma", ",325"},
    {Button::Opzioni, IDC_MAIN_TB_OPZIONI, "Opzioni", ",322"},
    {Button::Info, IDC_MAIN_TB_INFO, "Info", ",323"},
    {Button::Esci, IDC_MAIN_TB_ESCI, "Esci", ",324"},
};

struct PanelDef {
    int index;
    const char* tag;
};
constexpr PanelDef kPanels[] = {{0, ",340"}, {1, ",341"}};  // Stato, PortaCOM

frmMain* FromWindow(HWND hwnd) { return reinterpret_cast<frmMain*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

}  // namespace

frmMain::~frmMain() {
    tiMain.HideIcon();
    if (trayMenu_) DestroyMenu(trayMenu_);
    if (images_) ImageList_Destroy(images_);
    if (hotImages_) ImageList_Destroy(hotImages_);
    if (font_) DeleteObject(font_);
    if (boldFont_) DeleteObject(boldFont_);
    if (valueBrush_) DeleteObject(valueBrush_);
}

int frmMain::Px(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }

bool frmMain::Create(HINSTANCE instance, HWND owner) {
    instance_ = instance;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HELIOTAB));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_HELIOTAB), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExA(&wc);

    WNDCLASSEXA pc{};
    pc.cbSize = sizeof pc;
    pc.lpfnWndProc = &PanelProc;
    pc.hInstance = instance;
    pc.hCursor = wc.hCursor;
    pc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    pc.lpszClassName = kPanelClass;
    RegisterClassExA(&pc);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    hwnd_ = CreateWindowExA(0, kMainWindowClass, kAppTitle, style, CW_USEDEFAULT, CW_USEDEFAULT, 640, 400, owner,
                            nullptr, instance, this);
    if (!hwnd_) return false;

    HDC screen = GetDC(hwnd_);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(hwnd_, screen);
    if (dpi_ <= 0) dpi_ = 96;

    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    font_ = CreateFontIndirectA(&ncm.lfMessageFont);
    LOGFONTA bold = ncm.lfMessageFont;
    bold.lfWeight = FW_BOLD;
    boldFont_ = CreateFontIndirectA(&bold);
    valueBrush_ = CreateSolidBrush(GetSysColor(COLOR_WINDOW));

    CreateControls();
    CreateTrayMenu();
    tiMain.Attach(hwnd_, kMsgTray);
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");

    // Client size from the designed content plus the status bar.
    RECT r{0, 0, designW_, designH_ + statusH_};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutContent();
    LayoutStatusBar();
    UpdateClockPanels();
    SetTimer(hwnd_, kClockTimerId, 1000, nullptr);
    return true;
}

HWND frmMain::AddControl(DWORD exStyle, const char* cls, DWORD style, int id, int x, int y, int w, int h,
                         HWND parent) {
    HWND owner = parent ? parent : hwnd_;
    HWND c = CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, owner,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (c) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (c && !parent) placed_.push_back({c, RECT{x, y, x + w, y + h}});
    return c;
}

void frmMain::CreateControls() {
    designW_ = Px(kClientWidth);

    logo_ = AddControl(0, "STATIC", SS_OWNERDRAW, IDC_MAIN_LOGO, 0, 0, Px(kLogoWidth), Px(100));
    logo.SetDrawingObject(logo_);

    CreateToolbar();
    CreateFrames();

    // The logo runs the full height of the content.
    for (auto& p : placed_)
        if (p.hwnd == logo_) p.rect.bottom = designH_;

    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(IDC_MAIN_STATUSBAR), instance_, nullptr);
    SendMessageA(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    RECT sr;
    GetWindowRect(status_, &sr);
    statusH_ = sr.bottom - sr.top;

    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_,
                               nullptr);
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, Px(400));
}

void frmMain::CreateToolbar() {
    const int x = Px(kLogoWidth);
    const int width = designW_ - x;
    rebar_ = CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                 RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                             x, 0, width, Px(40), hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_REBAR), instance_, nullptr);

    toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                                   TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, width, Px(36), rebar_, reinterpret_cast<HMENU>(IDC_MAIN_TOOLBAR), instance_,
                               nullptr);
    SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageA(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    // Commands and tooltip requests come straight to the main window.
    SendMessageA(toolbar_, TB_SETPARENT, reinterpret_cast<WPARAM>(hwnd_), 0);

    images_ = ImageList_Create(24, 24, ILC_COLOR24 | ILC_MASK, 5, 0);
    hotImages_ = ImageList_Create(24, 24, ILC_COLOR24 | ILC_MASK, 5, 0);
    for (auto [list, id] : {std::pair{images_, IDB_TOOLBAR}, std::pair{hotImages_, IDB_TOOLBAR_HOT}}) {
        HBITMAP strip = static_cast<HBITMAP>(
            LoadImageA(instance_, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (strip) {
            ImageList_AddMasked(list, strip, RGB(255, 0, 255));
            DeleteObject(strip);
        }
    }
    SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    SendMessageA(toolbar_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotImages_));

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
    SendMessageA(toolbar_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);

    panel_ = CreateWindowExA(WS_EX_CONTROLPARENT, kPanelClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                             Px(kComboWidth + 130), Px(30), toolbar_,
                             reinterpret_cast<HMENU>(IDC_MAIN_PANEL_REVISIONE), instance_, nullptr);
    lblRevisione_ = AddControl(0, "STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, IDC_MAIN_LBL_REVISIONE,
                               0, 0, Px(120), Px(22), panel_);
    combo_ = AddControl(0, "COMBOBOX", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, IDC_MAIN_CBO_REVISIONE, Px(124),
                        0, Px(kComboWidth), Px(240), panel_);
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
    if (rebarH_ <= 0) rebarH_ = HIWORD(buttonSize) + Px(6);
    placed_.push_back({rebar_, RECT{x, 0, x + width, rebarH_}});
    LayoutPanel();
}

void frmMain::LayoutPanel() {
    // The label takes what its text needs; the separator makes room for both.
    char text[256];
    const int n = GetWindowTextA(lblRevisione_, text, sizeof text);
    SIZE extent{0, 0};
    HDC dc = GetDC(lblRevisione_);
    HGDIOBJ old = SelectObject(dc, font_);
    GetTextExtentPoint32A(dc, text, n, &extent);
    SelectObject(dc, old);
    ReleaseDC(lblRevisione_, dc);
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
    auto rows = [&](int fx, int fy, int fw, int fh, int count, const int* captionIds, const int* valueIds,
                    HWND* values) {
        const int contentTop = fy + Px(kFrameTop);
        const int slack = fh - Px(kFrameTop) - Px(14) - count * Px(kRowHeight);
        const int y0 = contentTop + (slack > 0 ? slack / 2 : 0);
        const int valueX = fx + Px(12) + Px(kCaptionWidth);
        const int valueW = fx + fw - Px(12) - valueX;
        for (int i = 0; i < count; ++i) {
            const int y = y0 + i * Px(kRowHeight);
            AddControl(0, "STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, captionIds[i], fx + Px(12), y,
                       Px(kCaptionWidth) - Px(4), Px(kValueHeight));
            // Owner-drawn, to keep the value off the sunken edge; the text stays the window text.
            values[i] = AddControl(WS_EX_STATICEDGE, "STATIC", SS_OWNERDRAW, valueIds[i], valueX, y, valueW,
                                   Px(kValueHeight));
        }
    };

    const int vehicleCaptions[] = {IDC_MAIN_LBL_AUTO_MARCA, IDC_MAIN_LBL_AUTO_MODELLO, IDC_MAIN_LBL_AUTO_TARGA};
    const int vehicleValues[] = {IDC_MAIN_DATI_VEICOLO_0, IDC_MAIN_DATI_VEICOLO_1, IDC_MAIN_DATI_VEICOLO_2};
    rows(left, top, colW, vehicleH, 3, vehicleCaptions, vehicleValues, vehicle_);

    const int operatorY = top + vehicleH + Px(kMargin);
    const int operatorCaptions[] = {IDC_MAIN_LBL_NOME_OPERATORE};
    const int operatorValues[] = {IDC_MAIN_DATI_OPERATORE};
    rows(left, operatorY, colW, operatorH, 1, operatorCaptions, operatorValues, &operator_);

    const int farCaptions[] = {IDC_MAIN_LBL_APP_MARCA, IDC_MAIN_LBL_APP_MODELLO, IDC_MAIN_LBL_APP_OMOLOGAZIONE,
                               IDC_MAIN_LBL_APP_NSERIE, IDC_MAIN_LBL_APP_VERSIONE, IDC_MAIN_LBL_APP_SCADENZA};
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
    trayMenu_ = CreatePopupMenu();
    AppendMenuA(trayMenu_, MF_STRING, IDM_TRAY_VISUALIZZA, "");
    AppendMenuA(trayMenu_, MF_STRING, IDM_TRAY_OPZIONI, "");
    AppendMenuA(trayMenu_, MF_STRING, IDM_TRAY_INFO, "");
    AppendMenuA(trayMenu_, MF_SEPARATOR, 0, nullptr);  // mnuSeparatore
    AppendMenuA(trayMenu_, MF_STRING, IDM_TRAY_CHIUDI, "");
    SetMenuDefaultItem(trayMenu_, IDM_TRAY_VISUALIZZA, FALSE);
}

void frmMain::LayoutContent() {
    for (const Placed& p : placed_)
        SetWindowPos(p.hwnd, nullptr, p.rect.left + dx_, p.rect.top + dy_, p.rect.right - p.rect.left,
                     p.rect.bottom - p.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmMain::LayoutStatusBar() {
    SendMessageA(status_, WM_SIZE, 0, 0);
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const int w = rc.right - rc.left;
    int edges[4];
    edges[3] = -1;
    edges[2] = w - Px(64);
    edges[1] = edges[2] - Px(88);
    edges[0] = edges[1] - Px(220);
    if (edges[0] < Px(60)) edges[0] = Px(60);
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

// --- start-up steps ---------------------------------------------------------

void frmMain::ConfigureSideLogo() {
    logo.SetDrawingObject(logo_);
    logo.SetStartColor(0x892E2E);
    logo.SetEndColor(0xFFFFFF);
}

void frmMain::ShowTrayIcon() {
    HICON icon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_HELIOTAB), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    tiMain.SetIcon(icon);
    tiMain.ShowIcon();
}

void frmMain::ApplyLanguage() {
    AppState& st = S().state;
    ApplyTags(st, hwnd_, "", kControlTags, tooltip_);
    for (const ButtonDef& b : kButtons) {
        const TagTexts texts = TagTextsFor(st, b.tag);
        if (texts.tooltip) toolbarTips_[b.command] = *texts.tooltip;
        if (texts.caption) {
            TBBUTTONINFOA info{};
            info.cbSize = sizeof info;
            info.dwMask = TBIF_TEXT;
            info.pszText = const_cast<char*>(texts.caption->c_str());
            SendMessageA(toolbar_, TB_SETBUTTONINFOA, b.command, reinterpret_cast<LPARAM>(&info));
        }
    }
    for (const PanelDef& p : kPanels) {
        const TagTexts texts = TagTextsFor(st, p.tag);
        if (texts.tooltip)
            SendMessageA(status_, SB_SETTIPTEXTA, p.index, reinterpret_cast<LPARAM>(texts.tooltip->c_str()));
        if (texts.caption)
            SendMessageA(status_, SB_SETTEXTA, p.index, reinterpret_cast<LPARAM>(texts.caption->c_str()));
    }
    RelabelTray();
    LayoutPanel();
    InvalidateRect(logo_, nullptr, FALSE);
}

void frmMain::RelabelTray() {
    AppState& st = S().state;
    const std::pair<int, const char*> items[] = {{IDM_TRAY_VISUALIZZA, "151"},
                                                 {IDM_TRAY_OPZIONI, "154"},
                                                 {IDM_TRAY_INFO, "152"},
                                                 {IDM_TRAY_CHIUDI, "153"}};
    for (auto [id, key] : items) {
        const std::string text = LangValue(st, key);
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_STRING;
        mi.dwTypeData = const_cast<char*>(text.c_str());
        SetMenuItemInfoA(trayMenu_, id, FALSE, &mi);
    }
    tiMain.SetTipText(TrayTipText(st));
}

void frmMain::CentreOnScreen() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmMain::ShowNow(Pump& pump) {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    pump.DoEvents();
}

void frmMain::ApplyMaximizedLayout() {
    if (unloaded_) return;
    // The window loses its title bar and gets a taskbar button; the content
    // keeps its designed arrangement, centred in the larger window.
    SetWindowLongA(hwnd_, GWL_EXSTYLE, GetWindowLongA(hwnd_, GWL_EXSTYLE) | WS_EX_APPWINDOW);
    SetWindowLongA(hwnd_, GWL_STYLE, GetWindowLongA(hwnd_, GWL_STYLE) & ~(WS_CAPTION | WS_SYSMENU));
    maximizedLayout_ = true;
    S().state.bMaximizedLayout = true;
    ShowWindow(hwnd_, SW_HIDE);  // the taskbar notices the new style on the next show
    ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

// --- window procedure -------------------------------------------------------

LRESULT CALLBACK frmMain::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<frmMain*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    frmMain* self = FromWindow(hwnd);
    if (!self || !self->station_) {
        // Before start-up has attached the station only creation runs here.
        if (self && msg == WM_DRAWITEM) return TRUE;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return self->HandleMessage(msg, wParam, lParam);
}

LRESULT CALLBACK frmMain::PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // picRevisione only holds its two controls: their notifications belong to the main window.
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
        if (HWND main = GetAncestor(hwnd, GA_ROOT)) return SendMessageA(main, msg, wParam, lParam);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK frmMain::ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<frmMain*>(ref);
    if (self->station_ && !self->unloaded_) {
        if (msg == WM_KEYDOWN) {
            const int passed = OnComboKeyDown(self->S(), static_cast<int>(wParam));
            if (self->unloaded_ || !IsWindow(hwnd)) return 0;
            return DefSubclassProc(hwnd, msg, static_cast<WPARAM>(passed), lParam);
        }
        if (msg == WM_KEYUP) {
            const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
            OnComboKeyUp(self->S());
            return r;
        }
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &ComboProc, 1);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK frmMain::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    // A group box paints only its line and caption; the main window clips
    // its children, so the inside is filled here (the controls inside are
    // siblings above it and clip it in turn).
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &FrameProc, 1);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT frmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_TIMER:
        if (wParam == kClockTimerId) UpdateClockPanels();
        return 0;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlID == IDC_MAIN_LOGO) DrawLogo(*dis);
        else DrawValue(*dis);
        return TRUE;
    }
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            if (maximizedLayout_) {
                RECT rc;
                GetClientRect(hwnd_, &rc);
                const int h0 = designH_ + Px(4);
                dx_ = ((rc.right - rc.left) - designW_) / 2;
                dy_ = ((rc.bottom - rc.top - statusH_) - h0) / 2;
                if (dx_ < 0) dx_ = 0;
                if (dy_ < 0) dy_ = 0;
                LayoutContent();
                InvalidateRect(hwnd_, nullptr, TRUE);
            }
            LayoutStatusBar();
        }
        return 0;
    case WM_CLOSE:
        GuardedClose([this] {
            if (QueryUnload(S())) Unload();
        });
        return 0;
    case WM_QUERYENDSESSION:
        // Windows is ending: an armed test is put to the operator first.
        if (S().state.bTestArmed && !closing_) return StopTest(S()) ? TRUE : FALSE;
        return TRUE;
    case WM_ENDSESSION:
        if (wParam && !unloaded_) {
            QueryUnload(S());
            Unload();
        }
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd_, kClockTimerId);
        if (!unloaded_) {
            unloaded_ = true;
            tiMain.HideIcon();
            PostQuitMessage(0);
        }
        return 0;
    case kMsgTray:
        OnTrayNotify(static_cast<UINT>(LOWORD(lParam)));
        return 0;
    case kMsgSerialChunk: {
        if (lParam == 0) return 0;
        // Always taken, so the reader's buffer is freed even when closing.
        const std::string bytes = Win32SerialPort::TakeChunk(wParam, lParam);
        if (!bytes.empty() && !unloaded_) OnSerialBytes(S(), bytes.data(), bytes.size());
        return 0;
    }
    case kMsgSerialDisconnect:
        // A late notice of an earlier open of the port is not this line's.
        if (!unloaded_ && (!serialPort || wParam == serialPort->Generation())) OnSerialDisconnect(S());
        return 0;
    case kMsgRelabelTray:
        RelabelTray();
        return 0;
    default:
        if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
            // Explorer restarted: the icon must be added again.
            if (tiMain.Shown()) tiMain.ShowIcon();
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void frmMain::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (maximizedLayout_ && !IsIconic(hwnd_)) {
        // A raised frame around the designed content, edges in twips.
        const int tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
        const int w0 = designW_ * tx, h0 = (designH_ + Px(4)) * ty;
        DrawBorder(dc, dx_ * tx - 120, dy_ * ty - 120, w0 + dx_ * tx + 30, h0 + dy_ * ty + 30);
    }
    EndPaint(hwnd_, &ps);
}

void frmMain::DrawLogo(const DRAWITEMSTRUCT& dis) {
    const int w = dis.rcItem.right - dis.rcItem.left;
    const int h = dis.rcItem.bottom - dis.rcItem.top;
    logo.Caption = GetLangString(S().state, 101);
    // Painted off screen and copied in one go: no flicker on every repaint.
    HDC mem = CreateCompatibleDC(dis.hDC);
    HBITMAP bmp = CreateCompatibleBitmap(dis.hDC, w, h);
    if (!mem || !bmp) {
        if (bmp) DeleteObject(bmp);
        if (mem) DeleteDC(mem);
        logo.Paint(dis.hDC, w, h);
        return;
    }
    HGDIOBJ old = SelectObject(mem, bmp);
    logo.Paint(mem, w, h);
    BitBlt(dis.hDC, dis.rcItem.left, dis.rcItem.top, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}

void frmMain::DrawValue(const DRAWITEMSTRUCT& dis) {
    char text[512];
    const int n = GetWindowTextA(dis.hwndItem, text, sizeof text);
    FillRect(dis.hDC, &dis.rcItem, valueBrush_);
    RECT r = dis.rcItem;
    r.left += Px(4);
    r.right -= Px(2);
    HGDIOBJ old = SelectObject(dis.hDC, boldFont_);
    SetBkMode(dis.hDC, TRANSPARENT);
    SetTextColor(dis.hDC, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextA(dis.hDC, text, n, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dis.hDC, old);
}

bool frmMain::CommandAvailable(int commandId) const {
    // A command the operator could not give (a disabled or hidden button) is ignored.
    const LRESULT state = SendMessageA(toolbar_, TB_GETSTATE, commandId, 0);
    return state != -1 && (state & TBSTATE_ENABLED) && !(state & TBSTATE_HIDDEN);
}

void frmMain::GuardedClose(const std::function<void()>& close) {
    if (closing_ || unloaded_) return;
    closing_ = true;
    close();
    closing_ = false;
}

void frmMain::OnCommand(int id, int code, HWND) {
    if (unloaded_) return;
    switch (id) {
    case IDC_MAIN_TB_TEST:
        if (CommandAvailable(id)) OnToolbarButton(S(), Button::Test);
        return;
    case IDC_MAIN_TB_FERMA:
        if (CommandAvailable(id)) OnToolbarButton(S(), Button::Ferma);
        return;
    case IDC_MAIN_TB_OPZIONI:
        if (CommandAvailable(id)) OnTrayOpzioni();
        return;
    case IDC_MAIN_TB_INFO:
        if (CommandAvailable(id)) OnTrayInfo();
        return;
    case IDC_MAIN_TB_ESCI:
        if (CommandAvailable(id)) GuardedClose([this] { OnToolbarButton(S(), Button::Esci); });
        return;
    case IDM_TRAY_VISUALIZZA:
        OnTrayVisualizza();
        return;
    case IDM_TRAY_OPZIONI:
        if (!(GetMenuState(trayMenu_, IDM_TRAY_OPZIONI, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED))) OnTrayOpzioni();
        return;
    case IDM_TRAY_INFO:
        if (!(GetMenuState(trayMenu_, IDM_TRAY_INFO, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED))) OnTrayInfo();
        return;
    case IDM_TRAY_CHIUDI:
        OnTrayChiudi();
        return;
    case IDC_MAIN_CBO_REVISIONE:
        if (code == CBN_DROPDOWN) RebuildReservationList(S());
        else if (code == CBN_SELCHANGE && IsWindowEnabled(combo_)) OnComboClick(S());
        return;
    default:
        return;
    }
}

LRESULT frmMain::OnNotify(NMHDR* hdr) {
    if (!hdr) return 0;
    // Toolbar tooltips: the texts of the buttons' Tags, asked for by command id.
    auto tipFor = [this](UINT_PTR id) -> const std::string* {
        auto it = toolbarTips_.find(static_cast<int>(id));
        return it == toolbarTips_.end() ? nullptr : &it->second;
    };
    switch (hdr->code) {
    case TTN_GETDISPINFOA: {
        auto* di = reinterpret_cast<NMTTDISPINFOA*>(hdr);
        if (const std::string* tip = tipFor(hdr->idFrom)) {
            di->lpszText = const_cast<char*>(tip->c_str());
            di->hinst = nullptr;
        }
        return 0;
    }
    case TTN_GETDISPINFOW: {
        auto* di = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        if (const std::string* tip = tipFor(hdr->idFrom)) {
            const int n = MultiByteToWideChar(CP_ACP, 0, tip->c_str(), -1, nullptr, 0);
            wideTip_.assign(n > 0 ? n : 1, L'\0');
            if (n > 0) MultiByteToWideChar(CP_ACP, 0, tip->c_str(), -1, wideTip_.data(), n);
            di->lpszText = wideTip_.data();
            di->hinst = nullptr;
        }
        return 0;
    }
    case TBN_GETINFOTIPA: {
        auto* it = reinterpret_cast<NMTBGETINFOTIPA*>(hdr);
        if (const std::string* tip = tipFor(it->iItem); tip && it->pszText && it->cchTextMax > 0)
            lstrcpynA(it->pszText, tip->c_str(), it->cchTextMax);
        return 0;
    }
    case TBN_GETINFOTIPW: {
        auto* it = reinterpret_cast<NMTBGETINFOTIPW*>(hdr);
        if (const std::string* tip = tipFor(it->iItem); tip && it->pszText && it->cchTextMax > 0) {
            MultiByteToWideChar(CP_ACP, 0, tip->c_str(), -1, it->pszText, it->cchTextMax);
            it->pszText[it->cchTextMax - 1] = L'\0';
        }
        return 0;
    }
    default:
        return 0;
    }
}

// --- tray ---------------------------------------------------------------------

void frmMain::OnTrayNotify(UINT trayMessage) {
    const ctlTrayIcon::Mouse m = tiMain.OnNotify(trayMessage);
    if (m.event == ctlTrayIcon::Event::Click && m.button == 2) ShowTrayMenu();
    else if (m.event == ctlTrayIcon::Event::DblClick && m.button == 1) OnTrayVisualizza();
}

void frmMain::ShowTrayMenu() {
    if (unloaded_) return;
    POINT pt;
    GetCursorPos(&pt);
    // Foreground first, or the menu would not close when clicking elsewhere.
    SetForegroundWindow(hwnd_);
    SetMenuDefaultItem(trayMenu_, IDM_TRAY_VISUALIZZA, FALSE);
    TrackPopupMenu(trayMenu_, TPM_RIGHTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, pt.x, pt.y, 0, hwnd_, nullptr);
    PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void frmMain::OnTrayVisualizza() {
    if (unloaded_) return;
    // "Normal" for the maximized layout is its maximized state: restoring it
    // to the designed size would leave a window without a title bar.
    ShowWindow(hwnd_, maximizedLayout_ ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    SetAlwaysOnTop(hwnd_, true);
    if (!S().state.bAlwaysOnTop) SetAlwaysOnTop(hwnd_, false);
}

void frmMain::OnTrayOpzioni() {
    if (unloaded_ || !showOptionsDialog) return;
    Station& s = S();
    EnableMenuItem(trayMenu_, IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(trayMenu_, IDM_TRAY_INFO, MF_BYCOMMAND | MF_GRAYED);
    s.timers.StopTimer(kTimerPoll);
    s.state.bDeviceOnline = false;
    if (s.port.IsOpen()) {
        s.port.Close();
        SetPanelText(Panel::PortaCOM, GetLangString(s.state, 331));
    }
    EnableCombo(false);
    EnableButton(Button::Test, false);
    for (int i = 0; i < 6; ++i) SetDeviceLabel(i, "");

    showOptionsDialog(hwnd_);

    if (unloaded_) return;  // the program was closed while the dialog was open
    s.state.bDeviceSearch = true;
    if (!s.state.bQuitQuery) s.timers.StartTimer(kTimerPoll, 1000);
    EnableMenuItem(trayMenu_, IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(trayMenu_, IDM_TRAY_INFO, MF_BYCOMMAND | MF_ENABLED);
}

void frmMain::OnTrayInfo() {
    if (unloaded_ || !showAboutBox) return;
    Station& s = S();
    EnableMenuItem(trayMenu_, IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(trayMenu_, IDM_TRAY_INFO, MF_BYCOMMAND | MF_GRAYED);
    if (s.state.bDeviceSearch) s.timers.StopTimer(kTimerPoll);

    showAboutBox(hwnd_);

    if (unloaded_) return;
    if (s.state.bDeviceSearch && !s.state.bQuitQuery) s.timers.StartTimer(kTimerPoll, 1000);
    EnableMenuItem(trayMenu_, IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(trayMenu_, IDM_TRAY_INFO, MF_BYCOMMAND | MF_ENABLED);
}

void frmMain::OnTrayChiudi() {
    // StopTest when armed, then the main window's QueryUnload and Unload.
    GuardedClose([this] { CloseMainWindow(S()); });
}

bool frmMain::PreTranslate(MSG& msg) {
    // Without a focused control the active window gets its keys as WM_SYSKEYDOWN.
    const bool esc = msg.wParam == VK_ESCAPE &&
                     (msg.message == WM_KEYDOWN || (msg.message == WM_SYSKEYDOWN && !(msg.lParam & (1 << 29))));
    if (!esc || unloaded_ || !station_) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    // Esc first closes an open reservation list, as the operator expects.
    if (SendMessageA(combo_, CB_GETDROPPEDSTATE, 0, 0)) return false;
    if (closing_) return true;
    bool consumed = false;
    GuardedClose([&] { consumed = OnKeyPressEsc(S()); });
    return consumed;
}

}  // namespace heliotab
