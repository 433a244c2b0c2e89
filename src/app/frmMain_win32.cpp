// frmMain: the window itself and the dispatch of its events.
#include "app/frmMain_win32.h"

#include <commctrl.h>

#include <tuple>

#include "win32/ApplyLanguage_win32.h"
#include "app/frmMain.h"
#include "app/frmMainDesign_win32.h"
#include "win32/DialogParts_win32.h"
#include "win32/mdlDraw_win32.h"
#include "device/SerialPort_win32.h"
#include "res/resource.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"

namespace heliotab {

using namespace main_design;

namespace {

frmMain* FromWindow(HWND hwnd) {
    return reinterpret_cast<frmMain*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

} // namespace

frmMain::~frmMain() {
    tiMain.HideIcon();
}

int frmMain::Px(int designPixels) const {
    return MulDiv(designPixels, dpi_, 96);
}

bool frmMain::Create(HINSTANCE instance, HWND owner) {
    instance_ = instance;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HELIOTAB));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_HELIOTAB), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
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
    hwnd_ = CreateWindowExA(0, kMainWindowClass, kAppTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            640, 400, owner, nullptr, instance, this);
    if (!hwnd_)
        return false;

    dpi_ = GetDeviceCaps(WindowDC(hwnd_).Get(), LOGPIXELSY);
    if (dpi_ <= 0)
        dpi_ = 96;

    font_ = MessageFont();
    boldFont_ = MessageFont(true);
    valueBrush_.Reset(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));

    CreateControls();
    CreateTrayMenu();
    tiMain.Attach(hwnd_, kMsgTray);
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");

    // Client size from the designed content plus the status bar.
    RECT r{0, 0, designW_, designH_ + statusH_};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutContent();
    LayoutStatusBar();
    UpdateClockPanels();
    SetTimer(hwnd_, kClockTimerId, 1000, nullptr);
    return true;
}

HWND frmMain::AddControl(DWORD exStyle, const char* cls, DWORD style, int id, int x, int y, int w,
                         int h, HWND parent) {
    HWND owner = parent ? parent : hwnd_;
    HWND c = CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, owner,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (c)
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    if (c && !parent)
        placed_.push_back({c, RECT{x, y, x + w, y + h}});
    return c;
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
        if (self && msg == WM_DRAWITEM)
            return TRUE;
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
        if (HWND main = GetAncestor(hwnd, GA_ROOT))
            return SendMessageA(main, msg, wParam, lParam);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK frmMain::ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR ref) {
    auto* self = reinterpret_cast<frmMain*>(ref);
    if (self->station_ && !self->unloaded_) {
        if (msg == WM_KEYDOWN) {
            const int key = static_cast<int>(wParam);
            int passed = key;
            const auto keyDown = [&] { passed = OnComboKeyDown(self->S(), key); };
            // Only the keys that load the reservation shown are a choice.
            if (key == VK_RETURN || key == VK_F7)
                ChooseReservation(self->S(), keyDown);
            else
                keyDown();
            if (self->unloaded_ || !IsWindow(hwnd))
                return 0;
            return DefSubclassProc(hwnd, msg, static_cast<WPARAM>(passed), lParam);
        }
        if (msg == WM_KEYUP) {
            const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
            OnComboKeyUp(self->S());
            return r;
        }
    }
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, &ComboProc, 1);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK frmMain::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR) {
    // A group box paints only its line and caption; the main window clips
    // its children, so the inside is filled here (the controls inside are
    // siblings above it and clip it in turn).
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, &FrameProc, 1);
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
        if (wParam == kClockTimerId)
            UpdateClockPanels();
        return 0;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlID == IDC_MAIN_LOGO)
            DrawLogo(*dis);
        else
            DrawValue(*dis);
        return TRUE;
    }
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ACTIVATE:
        // The list is the one control that takes keys: whenever the window
        // is active again (a message box closed, the operator came back)
        // and the list is open, the keys go to it. Otherwise the window
        // keeps them itself, so Esc still arrives.
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && IsWindowEnabled(combo_)) {
            SetFocus(combo_);
            return 0;
        }
        break;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            if (maximizedLayout_)
                CentreMaximizedLayout();
            LayoutStatusBar();
        }
        return 0;
    case WM_CLOSE:
        GuardedClose([this] {
            if (QueryUnload(S()))
                Unload();
        });
        return 0;
    case WM_QUERYENDSESSION:
        // Windows is ending: an armed test is put to the operator first.
        if (S().state.bTestArmed && !closing_)
            return StopTest(S()) ? TRUE : FALSE;
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
    case kMsgSerialData: {
        // A notice of a port closed since (before the options dialog, say)
        // takes nothing: its bytes never reach the link.
        if (!serialPort || unloaded_)
            return 0;
        const std::string bytes = serialPort->TakeReceived(wParam);
        if (!bytes.empty())
            OnSerialBytes(S(), bytes);
        return 0;
    }
    case kMsgSerialDisconnect:
        // A late notice of an earlier open of the port is not this line's.
        if (!unloaded_ && (!serialPort || wParam == serialPort->Generation()))
            OnSerialDisconnect(S());
        return 0;
    case kMsgRelabelTray:
        RelabelTray();
        return 0;
    default:
        if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
            // Explorer restarted: the icon must be added again.
            if (tiMain.Shown())
                tiMain.ShowIcon();
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
        DrawBorder(dc, dx_ * tx - 120, dy_ * ty - 120, (w0_ + dx_) * tx + 30,
                   (h0_ + dy_) * ty + 30);
    }
    EndPaint(hwnd_, &ps);
}

void frmMain::DrawLogo(const DRAWITEMSTRUCT& dis) {
    const int w = dis.rcItem.right - dis.rcItem.left;
    const int h = dis.rcItem.bottom - dis.rcItem.top;
    logo.Caption = GetLangString(S().state, kTextAppCaption);
    // Painted off screen and copied in one go: no flicker on every repaint.
    const ScopedDC mem(CreateCompatibleDC(dis.hDC));
    const ScopedBitmap bmp(CreateCompatibleBitmap(dis.hDC, w, h));
    if (!mem || !bmp) {
        logo.Paint(dis.hDC, w, h);
        return;
    }
    const SelectedObject selected(mem.Get(), bmp.Get());
    logo.Paint(mem.Get(), w, h);
    BitBlt(dis.hDC, dis.rcItem.left, dis.rcItem.top, w, h, mem.Get(), 0, 0, SRCCOPY);
}

void frmMain::DrawValue(const DRAWITEMSTRUCT& dis) {
    char text[512];
    const int n = GetWindowTextA(dis.hwndItem, text, sizeof text);
    FillRect(dis.hDC, &dis.rcItem, valueBrush_.Get());
    RECT r = dis.rcItem;
    r.left += Px(4);
    r.right -= Px(2);
    const SelectedObject selected(dis.hDC, boldFont_.Get());
    SetBkMode(dis.hDC, TRANSPARENT);
    SetTextColor(dis.hDC, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextA(dis.hDC, text, n, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool frmMain::CommandAvailable(int commandId) const {
    // A command the operator could not give (a disabled or hidden button) is ignored.
    const LRESULT state = SendMessageA(toolbar_, TB_GETSTATE, commandId, 0);
    return state != -1 && (state & TBSTATE_ENABLED) && !(state & TBSTATE_HIDDEN);
}

void frmMain::GuardedClose(const std::function<void()>& close) {
    if (closing_ || unloaded_)
        return;
    closing_ = true;
    close();
    closing_ = false;
}

void frmMain::OnCommand(int id, int code, HWND) {
    if (unloaded_)
        return;
    switch (id) {
    case IDC_MAIN_TB_TEST:
        if (CommandAvailable(id))
            OnToolbarButton(S(), Button::Test);
        return;
    case IDC_MAIN_TB_FERMA:
        if (CommandAvailable(id))
            OnToolbarButton(S(), Button::Ferma);
        return;
    case IDC_MAIN_TB_OPZIONI:
        if (CommandAvailable(id))
            OnTrayOpzioni();
        return;
    case IDC_MAIN_TB_INFO:
        if (CommandAvailable(id))
            OnTrayInfo();
        return;
    case IDC_MAIN_TB_ESCI:
        if (CommandAvailable(id))
            GuardedClose([this] { OnToolbarButton(S(), Button::Esci); });
        return;
    case IDM_TRAY_VISUALIZZA:
        OnTrayVisualizza();
        return;
    case IDM_TRAY_OPZIONI:
        if (!(GetMenuState(trayMenu_.Get(), IDM_TRAY_OPZIONI, MF_BYCOMMAND) &
              (MF_DISABLED | MF_GRAYED)))
            OnTrayOpzioni();
        return;
    case IDM_TRAY_INFO:
        if (!(GetMenuState(trayMenu_.Get(), IDM_TRAY_INFO, MF_BYCOMMAND) &
              (MF_DISABLED | MF_GRAYED)))
            OnTrayInfo();
        return;
    case IDM_TRAY_CHIUDI:
        OnTrayChiudi();
        return;
    case IDC_MAIN_CBO_REVISIONE:
        if (code == CBN_DROPDOWN)
            RebuildReservationList(S());
        else if (code == CBN_SELCHANGE && IsWindowEnabled(combo_))
            ChooseReservation(S(), [this] { OnComboClick(S()); });
        return;
    default:
        return;
    }
}

LRESULT frmMain::OnNotify(NMHDR* hdr) {
    if (!hdr)
        return 0;
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
            if (n > 0)
                MultiByteToWideChar(CP_ACP, 0, tip->c_str(), -1, wideTip_.data(), n);
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

bool frmMain::PreTranslate(MSG& msg) {
    // Without a focused control the active window gets its keys as WM_SYSKEYDOWN.
    const bool esc =
        msg.wParam == VK_ESCAPE &&
        (msg.message == WM_KEYDOWN || (msg.message == WM_SYSKEYDOWN && !(msg.lParam & (1 << 29))));
    if (!esc || unloaded_ || !station_)
        return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))
        return false;
    // Esc first closes an open reservation list, as the operator expects.
    if (SendMessageA(combo_, CB_GETDROPPEDSTATE, 0, 0))
        return false;
    if (closing_)
        return true;
    bool consumed = false;
    GuardedClose([&] { consumed = OnKeyPressEsc(S()); });
    return consumed;
}

} // namespace heliotab
