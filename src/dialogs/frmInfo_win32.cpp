// frmInfo: a dialog with no title bar of its own; its caption strip at the
// top (fraCaption, imgCaption, lblCaption) drags it through lblFormMove.
// The strip's statics let the mouse through to the dialog, which starts the
// drag when the press falls on lblFormMove.
#include "dialogs/frmInfo_win32.h"

#include <array>
#include <vector>

#include "app/ApplyLanguage_win32.h"
#include "app/mdlDraw_win32.h"
#include "res/resource.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "shared/ScopedWin_win32.h"

namespace heliotab {

namespace {

constexpr const char* kSysInfoTitle = "Microsoft SysInfo";
// The caption image is 320 x 56; the strip holds it with the caption text beside it.
constexpr int kWidth = 500, kStripHeight = 64, kHeight = kStripHeight + 268;

struct InfoData {
    explicit InfoData(AppState& state) : st(state) {}
    AppState& st;
    std::string mainCaption;
    ScopedFont font, boldFont;
    ScopedBitmap captionImage;
    bool dragging = false;
    POINT dragFrom{};
};

// The Tags of the controls whose captions come from the language file.
constexpr std::array<TagEntry, 7> kTags{{
    {IDC_INFO_LBL_CAPTION, "201"},
    {IDC_INFO_LBL_VERSION, "202"},
    {IDC_INFO_LBL_DESCRIPTION, "203"},
    {IDC_INFO_LBL_DISCLAIMER, "204"},
    {IDC_INFO_CMD_SYSINFO, "205"},
    {IDC_INFO_LBL_DIR_VERSION, "206"},
    {IDC_INFO_LBL_NET_VERSION, "207"},
}};

HWND Add(HWND dlg, HFONT font, const char* cls, DWORD style, int id, int x, int y, int w, int h,
         const std::string& text = "") {
    HWND c = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                             x, y, w, h, dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    if (c)
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

int TextWidth(HWND control, const std::string& text) {
    const WindowDC dc(control);
    const SelectedObject selected(
        dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void CreateControls(HWND dlg, InfoData& d) {
    HFONT font = d.font.Get(), bold = d.boldFont.Get();
    const char* kStatic = "STATIC";
    // The strip, bottom to top: frame, drag area, image and caption text.
    HWND fra =
        Add(dlg, font, kStatic, SS_ETCHEDFRAME, IDC_INFO_FRA_CAPTION, 0, 0, kWidth, kStripHeight);
    HWND move = Add(dlg, font, kStatic, SS_LEFT, IDC_INFO_LBL_FORM_MOVE, 2, 2, kWidth - 4,
                    kStripHeight - 4);
    HWND img = Add(dlg, font, kStatic, SS_BITMAP, IDC_INFO_IMG_CAPTION, 4, 4, 320, 56);
    d.captionImage.Reset(static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CAPTION), IMAGE_BITMAP, 0, 0, 0)));
    if (d.captionImage)
        SendMessageA(img, STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(d.captionImage.Get()));
    Add(dlg, bold, kStatic, SS_LEFT | SS_NOPREFIX, IDC_INFO_LBL_CAPTION, 334, 8, kWidth - 342,
        kStripHeight - 12);
    SetWindowPos(move, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(fra, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    const int top = kStripHeight;
    HWND icon = Add(dlg, font, kStatic, SS_ICON, IDC_INFO_IMG_ICON, 16, top + 16, 32, 32);
    SendMessageA(icon, STM_SETICON,
                 reinterpret_cast<WPARAM>(
                     LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_HELIOTAB))),
                 0);
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    Add(dlg, bold, kStatic, label, IDC_INFO_LBL_TITLE, 64, top + 12, 400, 20, "Application Title");
    Add(dlg, font, kStatic, label, IDC_INFO_LBL_VERSION, 64, top + 34, 200, 18, "Versione 1.0");
    Add(dlg, font, kStatic, label, IDC_INFO_LBL_REVISION, 200, top + 34, 100, 18, "(Rev. 1)");
    Add(dlg, font, kStatic, label, IDC_INFO_LBL_DIR_VERSION, 64, top + 56, 420, 18,
        "Protocollo DIR versione 1.0");
    Add(dlg, font, kStatic, label, IDC_INFO_LBL_NET_VERSION, 64, top + 76, 420, 18,
        "Protocollo DIR versione 1.0");
    Add(dlg, font, kStatic, label, IDC_INFO_LBL_DESCRIPTION, 64, top + 102, 420, 44,
        "App Description");
    Add(dlg, font, kStatic, label | SS_SUNKEN, IDC_INFO_LBL_DISCLAIMER, 16, top + 156, kWidth - 32,
        60);
    Add(dlg, font, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, kWidth - 112, top + 228, 96, 26,
        "OK");
    Add(dlg, font, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDC_INFO_CMD_SYSINFO, kWidth - 232,
        top + 228, 112, 26, "Info &Sistema...");
}

void Load(HWND dlg, InfoData& d) {
    CreateControls(dlg, d);
    ApplyTags(d.st, dlg, "", kTags, nullptr);
    const AboutTexts t = BuildAboutTexts(d.st, d.mainCaption, ReadProgramVersion());
    auto set = [dlg](int id, const std::string& text) { SetDlgItemTextA(dlg, id, text.c_str()); };
    set(IDC_INFO_LBL_CAPTION, t.caption);
    SetWindowTextA(dlg, t.caption.c_str());
    set(IDC_INFO_LBL_VERSION, t.version);
    // The revision sits 120 twips right of the version's text.
    HWND version = GetDlgItem(dlg, IDC_INFO_LBL_VERSION);
    RECT r{};
    GetWindowRect(version, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    const int right = r.left + TextWidth(version, t.version);
    SetWindowPos(version, nullptr, 0, 0, right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    HWND revision = GetDlgItem(dlg, IDC_INFO_LBL_REVISION);
    SetWindowPos(revision, nullptr, right + TwipsToPixels(120, TwipsPerPixelX()), r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    set(IDC_INFO_LBL_REVISION, t.revision);
    ShowWindow(revision, t.showRevision ? SW_SHOW : SW_HIDE);
    set(IDC_INFO_LBL_DIR_VERSION, t.dirVersion);
    set(IDC_INFO_LBL_NET_VERSION, t.netVersion);
    set(IDC_INFO_LBL_TITLE, t.title);

    // Centred on its owner.
    RECT owner{};
    GetWindowRect(GetWindow(dlg, GW_OWNER) ? GetWindow(dlg, GW_OWNER) : GetDesktopWindow(), &owner);
    SetWindowPos(dlg, nullptr, owner.left + (owner.right - owner.left - kWidth) / 2,
                 owner.top + (owner.bottom - owner.top - kHeight) / 2, kWidth, kHeight,
                 SWP_NOZORDER);
}

bool StartProgram(const std::string& path) {
    if (path.empty())
        return false;
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
        return false;
    // Not waited for.
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    return true;
}

bool IsFile(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// StartSysInfo: the system information tool, or word that it is missing.
void StartSysInfo(HWND dlg, AppState& st) {
    SysInfoValues values;
    values.msinfoPath =
        QueryRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH");
    if (!values.msinfoPath)
        values.toolsFolder = QueryRegValue(HKEY_LOCAL_MACHINE,
                                           "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO");
    if (StartProgram(SysInfoProgram(values, IsFile)))
        return;
    MessageBoxA(dlg, GetLangString(st, kTextSysInfoMissing).c_str(), kSysInfoTitle,
                MB_ICONEXCLAMATION);
}

bool InFormMove(HWND dlg, POINT client) {
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, IDC_INFO_LBL_FORM_MOVE), &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return PtInRect(&r, client);
}

INT_PTR CALLBACK InfoProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<InfoData*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, GWLP_USERDATA, lParam);
        Load(dlg, *reinterpret_cast<InfoData*>(lParam));
        return TRUE;
    case WM_ACTIVATE:
        if (d && LOWORD(wParam) != WA_INACTIVE)
            SetAlwaysOnTop(dlg, d->st.bAlwaysOnTop);
        return FALSE;
    case WM_COMMAND:
        if (!d)
            return FALSE;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_INFO_CMD_SYSINFO && HIWORD(wParam) == BN_CLICKED) {
            StartSysInfo(dlg, d->st);
            return TRUE;
        }
        return FALSE;
    case WM_LBUTTONDOWN: {
        const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (d && InFormMove(dlg, p)) {
            d->dragging = true;
            d->dragFrom = p;
            SetCapture(dlg);
        }
        return TRUE;
    }
    case WM_MOUSEMOVE:
        if (d && d->dragging) {
            RECT r{};
            GetWindowRect(dlg, &r);
            const int x = static_cast<short>(LOWORD(lParam)),
                      y = static_cast<short>(HIWORD(lParam));
            SetWindowPos(dlg, nullptr, r.left + x - d->dragFrom.x, r.top + y - d->dragFrom.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return TRUE;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (d && d->dragging) {
            d->dragging = false;
            if (msg == WM_LBUTTONUP)
                ReleaseCapture();
        }
        return TRUE;
    default:
        return FALSE;
    }
}

// An empty template: the controls are made in Load. WORD-aligned as required.
struct EmptyTemplate {
    DLGTEMPLATE head;
    WORD menu = 0, windowClass = 0, title = 0;
};

} // namespace

ProgramVersion ReadProgramVersion() {
    char path[MAX_PATH] = "";
    if (!GetModuleFileNameA(nullptr, path, MAX_PATH))
        return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &len) ||
        len < sizeof *info)
        return {};
    return {static_cast<int>(HIWORD(info->dwFileVersionMS)),
            static_cast<int>(LOWORD(info->dwFileVersionMS)),
            static_cast<int>(LOWORD(info->dwFileVersionLS))};
}

std::optional<std::string> QueryRegValue(HKEY root, const std::string& keyPath,
                                         const std::string& valueName) {
    // Read access is all a look-up needs; asking for more fails for an
    // ordinary user under HKEY_LOCAL_MACHINE.
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    ScopedKey key(raw);
    std::vector<BYTE> buffer(1024, 0);
    DWORD type = 0, size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(raw, valueName.c_str(), nullptr, &type, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ)
        return std::nullopt;
    if (size > 0 && buffer[size - 1] == 0)
        --size;
    std::string text(reinterpret_cast<const char*>(buffer.data()), size);
    return text;
}

void ShowAboutBox(HWND owner, AppState& st) {
    InfoData d(st);
    char caption[256] = "";
    GetWindowTextA(owner, caption, sizeof caption);
    d.mainCaption = caption;
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    d.font.Reset(CreateFontIndirectA(&ncm.lfMessageFont));
    LOGFONTA bold = ncm.lfMessageFont;
    bold.lfWeight = FW_BOLD;
    d.boldFont.Reset(CreateFontIndirectA(&bold));

    EmptyTemplate t{};
    t.head.style = WS_POPUP | WS_BORDER | DS_MODALFRAME;
    t.head.cx = 10;
    t.head.cy = 10;
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &t.head, owner, InfoProc,
                            reinterpret_cast<LPARAM>(&d));
}

} // namespace heliotab
