// uidriver: drives the program's windows from outside, for the end-to-end tests; one process per
// command, under the program's Wine prefix and display. Exits 0 on success, 1 when what is looked
// for is not there (or a wait timed out), 2 on a usage error, 3 when a call failed.
//
//   uidriver [--window HWND] COMMAND ARGS...    (--window: controls are looked for below HWND)
//   list-children | main-window | is-running
//   wait-window CLASS TITLE TIMEOUT_MS [--visible] [--idle]   ("*" matches any)
//   status-panel N | click-toolbar CMD | click TARGET | close
//   combo-items TARGET | combo-select N TARGET | combo-dropdown TARGET
//   message-box wait TIMEOUT_MS | message-box answer ok|cancel|yes|no [TIMEOUT_MS] | message-box
//   none probe-busy BUTTON CONTROL TEXT TIMEOUT_MS   (the benchmark's, bench/e2e/probe_busy.cpp)
//
// Whatever could open a modal message box is posted or sent with a time limit, so the driver
// cannot hang on the program's modal loop.
#include "uidriver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace uidriver {

using Fields = std::vector<std::pair<std::string, std::string>>;
const ULONGLONG kStartTicks = GetTickCount64();

std::string EscapeBytes(const std::string& bytes) { // Windows-1252 bytes
    std::string out;
    for (unsigned char c : bytes) {
        char buf[8];
        const char* named = c == '\\'   ? "\\\\"
                            : c == '\t' ? "\\t"
                            : c == '\r' ? "\\r"
                            : c == '\n' ? "\\n"
                                        : nullptr;
        out += named                     ? named
               : (c < 0x20 || c >= 0x7f) ? (std::snprintf(buf, sizeof buf, "\\x%02x", c), buf)
                                         : std::string(1, static_cast<char>(c));
    }
    return out;
}

std::string Escape(const std::wstring& text) {
    std::string bytes(text.size() * 2 + 1, '\0');
    bytes.resize(WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()),
                                     bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                     nullptr));
    return EscapeBytes(bytes);
}

std::string Hex(const void* h) {
    char buf[32];
    return std::snprintf(buf, sizeof buf, "0x%llx",
                         static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h))),
           buf;
}

void PrintRecord(const char* kind, const Fields& fields) {
    std::string line = kind;
    for (const auto& [key, value] : fields)
        line += "\t" + key + "=" + value;
    std::printf("%s\n", line.c_str()), std::fflush(stdout);
}
int Usage(const char* what) {
    return std::fprintf(stderr, "uidriver: %s\n", what), kUsage;
}
int NotFound(const char* what) {
    return PrintRecord("error", {{"reason", "not-found"}, {"what", what}}), kNotFound;
}
bool ParseInt(const std::wstring& s, long long& out) {
    wchar_t* end = nullptr;
    out = wcstoll(s.c_str(), &end, 0);
    return !s.empty() && *end == 0;
}

double ElapsedMs() {
    return static_cast<double>(GetTickCount64() - kStartTicks);
}

// Wall clock, comparable with the Unix clock of the benchmarks.
std::string EpochMs() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    return std::to_string(
        static_cast<double>(((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) -
                            116444736000000000ULL) /
        10000.0);
}
std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[256];
    return std::wstring(buf, std::max(0, GetClassNameW(hwnd, buf, 256)));
}
// GetWindowTextW: does not block on the target.
std::wstring TitleOf(HWND hwnd) {
    wchar_t buf[4096];
    return std::wstring(buf, std::max(0, GetWindowTextW(hwnd, buf, 4096)));
}

std::wstring TextOf(HWND hwnd) { // WM_GETTEXT with a time limit: edit fields, combo edits
    static wchar_t buf[65536];
    DWORD_PTR n = 0;
    bool ok = SendMessageTimeoutW(hwnd, WM_GETTEXT, 65536, reinterpret_cast<LPARAM>(buf),
                                  SMTO_ABORTIFHUNG, 2000, &n);
    return ok ? std::wstring(buf, n) : TitleOf(hwnd);
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    return GetWindowThreadProcessId(hwnd, &pid), pid;
}

std::vector<HWND>
Windows(HWND parent = nullptr) { // the top-level windows, or every descendant of parent
    std::vector<HWND> list;
    WNDENUMPROC collect = [](HWND w, LPARAM l) {
        return reinterpret_cast<std::vector<HWND>*>(l)->push_back(w), TRUE;
    };
    parent ? EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&list))
           : EnumWindows(collect, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND FindAppWindow() {
    return FindWindowW(L"ThunderRT6Main", L"HELIOTAB");
} // the hidden one
HWND FindMainWindow() {
    return FindWindowW(L"HELIOTAB_frmMain", nullptr);
}

HWND FindControl(HWND root, const std::wstring& target) {
    long long n = 0;
    if (!ParseInt(target, n))
        return nullptr;
    if (target.rfind(L"0x", 0) == 0)
        return IsWindow(reinterpret_cast<HWND>(n)) ? reinterpret_cast<HWND>(n) : nullptr;
    if (!(root = root ? root : FindMainWindow()))
        return nullptr;
    for (HWND w : Windows(root))
        if (GetDlgCtrlID(w) == n)
            return w;
    return nullptr;
}

HWND ChildOfClass(HWND root, const wchar_t* cls) {
    for (HWND w : (root = root ? root : FindMainWindow()) ? Windows(root) : std::vector<HWND>{})
        if (ClassOf(w) == cls)
            return w;
    return nullptr;
}

void PrintWindow(const char* kind, HWND hwnd) {
    bool child = GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD;
    PrintRecord(kind, {{"hwnd", Hex(hwnd)},
                       {"class", Escape(ClassOf(hwnd))},
                       {"id", std::to_string(child ? GetDlgCtrlID(hwnd) : 0)},
                       {"visible", IsWindowVisible(hwnd) ? "1" : "0"},
                       {"enabled", IsWindowEnabled(hwnd) ? "1" : "0"},
                       {"owner", Hex(GetWindow(hwnd, GW_OWNER))},
                       {"title", Escape(child ? TextOf(hwnd) : TitleOf(hwnd))}});
}

LONG_PTR Send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &r)
               ? static_cast<LONG_PTR>(r)
               : -1;
}

int CmdWaitWindow(const Args& a) {
    long long timeout = 0;
    if (a.size() < 3 || !ParseInt(a[2], timeout))
        return Usage("wait-window CLASS TITLE TIMEOUT_MS");
    bool idle = a.size() > 3 && a[3] == L"--idle",
         visible = idle || (a.size() > 3 && a[3] == L"--visible");
    PrintRecord("waiting", {{"epoch_ms", EpochMs()}}); // a benchmark starts the program only now
    for (double start = ElapsedMs(); ElapsedMs() - start < static_cast<double>(timeout); Sleep(5)) {
        for (HWND w : Windows()) {
            if ((a[0] != L"*" && a[0] != ClassOf(w)) || (a[1] != L"*" && a[1] != TitleOf(w)) ||
                (visible && !IsWindowVisible(w)))
                continue;
            Fields f = {{"hwnd", Hex(w)}, {"epoch_ms", EpochMs()}};
            if (idle) { // the window's thread has come back to its message loop
                HANDLE proc =
                    OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProcessOf(w));
                if (proc)
                    WaitForInputIdle(proc, static_cast<DWORD>(timeout)), CloseHandle(proc);
                DWORD_PTR r = 0;
                SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout), &r),
                    f.push_back({"idle_epoch_ms", EpochMs()});
            }
            return PrintRecord("found", f), PrintWindow("window", w), kOk;
        }
    }
    return PrintRecord("timeout", {}), kNotFound;
}

// The status bar is an ANSI control in the program's process: its text is read through memory
// there.
int CmdStatusPanel(HWND root, const Args& a) {
    long long index = 0;
    HWND bar = ChildOfClass(root, L"msctls_statusbar32");
    if (a.empty() || !ParseInt(a[0], index))
        return Usage("status-panel N");
    if (!bar || index < 0 || index >= Send(bar, SB_GETPARTS, 0, 0))
        return NotFound("panel");
    LONG_PTR len = Send(bar, SB_GETTEXTLENGTHA, index, 0);
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                              ProcessOf(bar));
    void* mem =
        proc ? VirtualAllocEx(proc, nullptr, 0x10000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
             : nullptr;
    std::string text(0x10000, '\0');
    SIZE_T got = 0;
    bool ok = len >= 0 && mem &&
              Send(bar, SB_GETTEXTA, index, reinterpret_cast<LPARAM>(mem)) >= 0 &&
              ReadProcessMemory(proc, mem, text.data(), LOWORD(len) + 1, &got);
    if (mem)
        VirtualFreeEx(proc, mem, 0, MEM_RELEASE);
    if (proc)
        CloseHandle(proc);
    if (!ok)
        return kFailed;
    text.resize(strnlen(text.c_str(), LOWORD(len)));
    return PrintRecord("panel", {{"index", std::to_string(index)}, {"value", EscapeBytes(text)}}),
           kOk;
}

int CmdCombo(HWND root, const std::wstring& cmd, const Args& a) {
    long long index = 0;
    HWND combo = a.empty() ? nullptr : FindControl(root, a.back());
    if (!combo)
        return NotFound("combo");
    if (cmd == L"combo-items") {
        const LONG_PTR count =
            (PrintRecord("combo", {{"enabled", IsWindowEnabled(combo) ? "1" : "0"}}),
             Send(combo, CB_GETCOUNT, 0, 0));
        for (LONG_PTR i = 0; i < count;
             ++i) { // only the W messages are marshalled across processes under Wine
            std::wstring text(std::max<LONG_PTR>(0, Send(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
            text.resize(std::max<LONG_PTR>(
                0, Send(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
            PrintRecord("item", {{"index", std::to_string(i)}, {"value", Escape(text)}});
        }
        return kOk;
    }
    if (cmd == L"combo-select") {
        if (a.size() < 2 || !ParseInt(a[0], index))
            return Usage("combo-select N TARGET");
        if (Send(combo, CB_SETCURSEL, index, 0) != index)
            return NotFound("item");
        // What a user's choice sends; posted, as the handler may ask the operator.
        return PostMessageW(GetParent(combo), WM_COMMAND,
                            MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(combo)),
               kOk;
    }
    // Opening the list makes its parent refill it (CBN_DROPDOWN): sent, so the refill is over when
    // the next command looks; bounded, should the handler ask the operator.
    DWORD_PTR r = 0;
    if (!IsWindowEnabled(combo))
        return NotFound("enabled combo");
    return SendMessageTimeoutW(combo, CB_SHOWDROPDOWN, TRUE, 0, SMTO_NORMAL, 10000, &r) &&
                   SendMessageTimeoutW(combo, CB_SHOWDROPDOWN, FALSE, 0, SMTO_NORMAL, 10000, &r)
               ? kOk
               : kFailed;
}

int CmdClickToolbar(HWND root, const Args& a) {
    long long cmd = 0;
    HWND tb = ChildOfClass(root, L"ToolbarWindow32");
    if (a.empty() || !ParseInt(a[0], cmd))
        return Usage("click-toolbar CMD");
    LONG_PTR state = tb ? Send(tb, TB_GETSTATE, cmd, 0) : -1;
    if (state == -1 || !(state & TBSTATE_ENABLED) || (state & TBSTATE_HIDDEN))
        return NotFound("enabled button");
    return PostMessageW(GetParent(tb), WM_COMMAND, MAKEWPARAM(cmd, BN_CLICKED),
                        reinterpret_cast<LPARAM>(tb)),
           kOk;
}

// Dialogs (#32770) of the program's process: message boxes, options, print dialog.
std::vector<HWND> ProgramDialogs() {
    HWND app = FindAppWindow();
    std::vector<HWND> out;
    for (HWND w : Windows())
        if (app && ClassOf(w) == L"#32770" && IsWindowVisible(w) && ProcessOf(w) == ProcessOf(app))
            out.push_back(w);
    return out;
}

// A message box's standard icon. Icon handles are per process under Wine, so each standard icon is
// drawn here on the shown background (icon corners are transparent) and compared with the shown
// pixels.
const char* IconName(HWND box) {
    for (HWND c : Windows(box)) {
        if (ClassOf(c) != L"Static" || (GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        RECT r{}, all{0, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
        GetWindowRect(c, &r);
        const int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
        HDC screen = GetDC(nullptr), shown = CreateCompatibleDC(screen),
            drawn = CreateCompatibleDC(screen);
        HBITMAP bitmaps[] = {CreateCompatibleBitmap(screen, w, h),
                             CreateCompatibleBitmap(screen, w, h)};
        HGDIOBJ old[] = {SelectObject(shown, bitmaps[0]), SelectObject(drawn, bitmaps[1])};
        BitBlt(shown, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        const char* name = IsWindowVisible(c) ? "unknown" : "none";
        HBRUSH background = CreateSolidBrush(GetPixel(shown, 0, 0));
        for (auto [id, candidate] : {std::pair{32513, "stop"},
                                     {32514, "question"},
                                     {32515, "exclamation"},
                                     {32516, "information"}}) {
            FillRect(drawn, &all, background);
            DrawIconEx(drawn, 0, 0, LoadIconW(nullptr, MAKEINTRESOURCEW(id)), w, h, 0, nullptr,
                       DI_NORMAL);
            int same = 0;
            for (int i = 0; i < w * h; ++i)
                same += GetPixel(drawn, i % w, i / w) == GetPixel(shown, i % w, i / w);
            if (IsWindowVisible(c) && same * 100 >= w * h * 97)
                name = candidate;
        }
        SelectObject(shown, old[0]), SelectObject(drawn, old[1]), DeleteObject(bitmaps[0]),
            DeleteObject(bitmaps[1]);
        return DeleteDC(shown), DeleteDC(drawn), ReleaseDC(nullptr, screen),
               DeleteObject(background), name;
    }
    return "none";
}

const std::map<std::wstring, int> kButtons = {
    {L"ok", IDOK}, {L"cancel", IDCANCEL}, {L"yes", IDYES}, {L"no", IDNO}};

void PrintMessageBox(HWND box) {
    std::wstring text;
    std::string buttons;
    for (HWND c : Windows(box)) {
        if (GetDlgCtrlID(c) == 0xFFFF && ClassOf(c) == L"Static")
            text = TextOf(c);
        for (const auto& [name, id] : kButtons)
            if (GetDlgCtrlID(c) == id && ClassOf(c) == L"Button" && IsWindowVisible(c))
                buttons += (buttons.empty() ? "" : ",") + Escape(name);
    }
    PrintRecord("msgbox", {{"hwnd", Hex(box)},
                           {"title", Escape(TitleOf(box))},
                           {"text", Escape(text)},
                           {"buttons", buttons},
                           {"icon", IconName(box)}});
}

int CmdMessageBox(const Args& a) {
    long long timeout = 5000;
    if (a.size() == 1 && a[0] == L"none")
        return std::ranges::for_each(ProgramDialogs(), PrintMessageBox),
               ProgramDialogs().empty() ? kOk : kNotFound;
    const bool answer = !a.empty() && a[0] == L"answer" && a.size() > 1 && kButtons.count(a[1]);
    if (const size_t t = answer ? 2 : 1;
        !(answer || (!a.empty() && a[0] == L"wait")) || (a.size() > t && !ParseInt(a[t], timeout)))
        return Usage("message-box wait TIMEOUT_MS | answer ok|cancel|yes|no [TIMEOUT_MS] | none");
    HWND box = nullptr;
    for (double start = ElapsedMs(); !box && ElapsedMs() - start < static_cast<double>(timeout);
         Sleep(10))
        box = ProgramDialogs().empty() ? nullptr : ProgramDialogs().front();
    if (!box)
        return NotFound("message-box");
    // The icon is told from the shown pixels: a box still being drawn reads "unknown" a moment.
    for (int i = 0; i < 50 && !std::strcmp(IconName(box), "unknown"); ++i)
        Sleep(100);
    if (PrintMessageBox(box); !answer)
        return kOk;
    HWND button = GetDlgItem(box, kButtons.at(a[1]));
    if (!button || !IsWindowVisible(button))
        return NotFound("button");
    const std::string pressed = EpochMs();
    return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr),
           PrintRecord("answered", {{"epoch_ms", pressed}}), kOk;
}

int Run(Args a) {
    HWND root = nullptr;
    if (a.size() > 1 && a[0] == L"--window") {
        if (!(root = FindControl(nullptr, a[1])))
            return NotFound("window");
        a.erase(a.begin(), a.begin() + 2);
    }
    if (a.empty())
        return Usage("no command (see the top of uidriver.cpp)");
    const std::wstring cmd = a[0];
    const Args rest(a.begin() + 1, a.end());
    HWND app = FindAppWindow(), main = FindMainWindow();
    HWND target = rest.empty() ? nullptr : FindControl(root, rest[0]), parent = root ? root : main;
    if (cmd == L"list-children") {
        if (!parent)
            return NotFound("window");
        for (HWND w : Windows(parent))
            PrintWindow("control", w);
    } else if (cmd == L"main-window" || cmd == L"is-running") {
        if (!app)
            return NotFound("app-window");
        PrintWindow("app", app);
        if (main && cmd == L"main-window")
            PrintWindow("main", main);
    } else if (cmd == L"click") {
        if (!target || !IsWindowEnabled(target))
            return NotFound("enabled control");
        PostMessageW(target, BM_CLICK, 0, 0);
    } else if (cmd == L"close") {
        if (!main)
            return NotFound("main-window");
        PostMessageW(main, WM_CLOSE, 0, 0);
    } else
        return cmd == L"wait-window"          ? CmdWaitWindow(rest)
               : cmd == L"status-panel"       ? CmdStatusPanel(root, rest)
               : cmd.rfind(L"combo-", 0) == 0 ? CmdCombo(root, cmd, rest)
               : cmd == L"click-toolbar"      ? CmdClickToolbar(root, rest)
               : cmd == L"message-box"        ? CmdMessageBox(rest)
               : cmd == L"probe-busy"         ? CmdProbeBusy(root, rest)
                                              : Usage("unknown command");
    return kOk;
}

} // namespace uidriver

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    return uidriver::Run(uidriver::Args(argv + 1, argv + argc)); // freed at exit
}
