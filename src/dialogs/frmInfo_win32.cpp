// frmInfo: a dialog with no title bar of its own; its caption strip at the
// top (fraCaption, imgCaption, lblCaption) drags it through lblFormMove,
// below the strip's statics, which let the mouse through to it.
#include "dialogs/frmInfo_win32.h"

#include <array>
#include <vector>

#include "res/resource.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "win32/ApplyLanguage_win32.h"
#include "win32/DialogParts_win32.h"
#include "win32/ProgramPath_win32.h"
#include "win32/RegistryRead_win32.h"
#include "win32/ScopedWin_win32.h"
#include "win32/WindowPlacement_win32.h"
#include "win32/mdlDraw_win32.h"

namespace heliotab {

namespace {

constexpr const char* kSysInfoTitle = "Microsoft SysInfo";
// The caption image is 320 x 56; the strip holds it with the caption text beside it.
constexpr int kWidth = 500, kStripHeight = 64, kHeight = kStripHeight + 268;

// Everything the about box holds while it is open.
class AboutBox {
public:
    AboutBox(AppState& st, const std::string& mainCaption) : st_(st), mainCaption_(mainCaption) {}
    static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    void CreateControls();
    void OnInit(HWND dlg);
    void StartSysInfo();

    AppState& st_;
    std::string mainCaption_;
    HWND dlg_ = nullptr;
    ScopedFont font_ = MessageFont(), boldFont_ = MessageFont(true);
    ScopedBitmap captionImage_;
    CaptionDrag drag_;
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

int TextWidth(HWND control, const std::string& text) {
    const WindowDC dc(control);
    const SelectedObject selected(
        dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void AboutBox::CreateControls() {
    const char* kStatic = "STATIC";
    // The strip, bottom to top: frame, drag area, image and caption text.
    HWND fra = AddControl(dlg_, font_.Get(), kStatic, SS_ETCHEDFRAME, IDC_INFO_FRA_CAPTION, 0, 0,
                          kWidth, kStripHeight);
    HWND move = AddControl(dlg_, font_.Get(), kStatic, SS_LEFT | SS_NOTIFY, IDC_INFO_LBL_FORM_MOVE,
                           2, 2, kWidth - 4, kStripHeight - 4);
    drag_.Attach(move);
    HWND img =
        AddControl(dlg_, font_.Get(), kStatic, SS_BITMAP, IDC_INFO_IMG_CAPTION, 4, 4, 320, 56);
    captionImage_.Reset(static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CAPTION), IMAGE_BITMAP, 0, 0, 0)));
    if (captionImage_)
        SendMessageA(img, STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(captionImage_.Get()));
    AddControl(dlg_, boldFont_.Get(), kStatic, SS_LEFT | SS_NOPREFIX, IDC_INFO_LBL_CAPTION, 334, 8,
               kWidth - 342, kStripHeight - 12);
    SetWindowPos(move, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(fra, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    const int top = kStripHeight;
    HWND icon =
        AddControl(dlg_, font_.Get(), kStatic, SS_ICON, IDC_INFO_IMG_ICON, 16, top + 16, 32, 32);
    SendMessageA(icon, STM_SETICON,
                 reinterpret_cast<WPARAM>(
                     LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_HELIOTAB))),
                 0);
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    AddControl(dlg_, boldFont_.Get(), kStatic, label, IDC_INFO_LBL_TITLE, 64, top + 12, 400, 20,
               "Application Title");
    AddControl(dlg_, font_.Get(), kStatic, label, IDC_INFO_LBL_VERSION, 64, top + 34, 200, 18,
               "Versione 1.0");
    AddControl(dlg_, font_.Get(), kStatic, label, IDC_INFO_LBL_REVISION, 200, top + 34, 100, 18,
               "(Rev. 1)");
    AddControl(dlg_, font_.Get(), kStatic, label, IDC_INFO_LBL_DIR_VERSION, 64, top + 56, 420, 18,
               "Protocollo DIR versione 1.0");
    AddControl(dlg_, font_.Get(), kStatic, label, IDC_INFO_LBL_NET_VERSION, 64, top + 76, 420, 18,
               "Protocollo DIR versione 1.0");
    AddControl(dlg_, font_.Get(), kStatic, label, IDC_INFO_LBL_DESCRIPTION, 64, top + 102, 420, 44,
               "App Description");
    AddControl(dlg_, font_.Get(), kStatic, label | SS_SUNKEN, IDC_INFO_LBL_DISCLAIMER, 16,
               top + 156, kWidth - 32, 60);
    AddControl(dlg_, font_.Get(), "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, kWidth - 112,
               top + 228, 96, 26, "OK");
    AddControl(dlg_, font_.Get(), "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDC_INFO_CMD_SYSINFO,
               kWidth - 232, top + 228, 112, 26, "Info &Sistema...");
}

void AboutBox::OnInit(HWND dlg) {
    dlg_ = dlg;
    CreateControls();
    ApplyTags(st_, dlg, "", kTags, nullptr);
    const AboutTexts t = BuildAboutTexts(st_, mainCaption_, ReadProgramVersion());
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

    CentreOnOwner(dlg, kWidth, kHeight);
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
void AboutBox::StartSysInfo() {
    SysInfoValues values;
    values.msinfoPath =
        QueryRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH");
    if (!values.msinfoPath)
        values.toolsFolder = QueryRegValue(HKEY_LOCAL_MACHINE,
                                           "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO");
    if (StartProgram(SysInfoProgram(values, IsFile)))
        return;
    MessageBoxA(dlg_, GetLangString(st_, kTextSysInfoMissing).c_str(), kSysInfoTitle,
                MB_ICONEXCLAMATION);
}

INT_PTR CALLBACK AboutBox::Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, GWLP_USERDATA, lParam);
        reinterpret_cast<AboutBox*>(lParam)->OnInit(dlg);
        return TRUE;
    }
    auto* self = reinterpret_cast<AboutBox*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    if (!self)
        return FALSE;
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            SetAlwaysOnTop(dlg, self->st_.bAlwaysOnTop);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_INFO_CMD_SYSINFO && HIWORD(wParam) == BN_CLICKED) {
            self->StartSysInfo();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

ProgramVersion ReadProgramVersion() {
    const std::string path = ProgramPath();
    DWORD ignored = 0;
    const DWORD size = path.empty() ? 0 : GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
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

void ShowAboutBox(HWND owner, AppState& st) {
    char caption[256] = "";
    GetWindowTextA(owner, caption, sizeof caption);
    AboutBox box(st, caption);
    ShowEmptyDialog(owner, WS_POPUP | WS_BORDER | DS_MODALFRAME, 0, &AboutBox::Proc,
                    reinterpret_cast<LPARAM>(&box));
}

} // namespace heliotab
