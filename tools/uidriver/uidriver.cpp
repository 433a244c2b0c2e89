// uidriver: drives the program's windows from outside, for the demo, the end-to-end tests and the
// benchmarks; one process per command, under the program's Wine prefix and display. Exits 0 on
// success, 1 when what is looked for is not there (or a wait timed out), 2 on a usage error, 3 when
// a call failed.
//
//   uidriver [--window HWND] COMMAND ARGS...    (--window: controls are looked for below HWND)
//   list-children | main-window
//   status-panel N | click-toolbar CMD | click TARGET | close | post MSG WPARAM LPARAM
//   combo-items TARGET | combo-select N TARGET | combo-dropdown TARGET
//   message-box wait TIMEOUT_MS | message-box answer ok|cancel|yes|no [TIMEOUT_MS] | message-box
//   none
// and, for the demo and the benchmarks: wait-window CLASS TITLE TIMEOUT_MS [--visible] [--idle],
// probe-busy BUTTON CONTROL TEXT TIMEOUT_MS
//
// close and post go to the --window or the main window. Whatever could open a modal message box is
// posted or sent with a time limit, so the driver cannot hang on the program's modal loop.
#include "uidriver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>

namespace uidriver {

const ULONGLONG kStartTicks = GetTickCount64();

std::string EscapeBytes(const std::string& bytes) { // Windows-1252 bytes
    std::string out;
    for (unsigned char c : bytes) {
        char buf[8];
        std::snprintf(buf, sizeof buf, c < 0x20 || c >= 0x7f || c == '\\' ? "\\x%02x" : "%c", c);
        out += buf;
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
    return std::snprintf(buf, sizeof buf, "0x%llx", (unsigned long long)(uintptr_t)h), buf;
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
    return PrintRecord("error", {{"not-found", what}}), kNotFound;
}
bool ParseInt(const std::wstring& s, long long& out) {
    wchar_t* end = nullptr;
    out = wcstoll(s.c_str(), &end, 0);
    return !s.empty() && *end == 0;
}

double ElapsedMs() {
    return static_cast<double>(GetTickCount64() - kStartTicks);
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

LONG_PTR Send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &r)
               ? static_cast<LONG_PTR>(r)
               : -1;
}

std::wstring TextOf(HWND hwnd) { // WM_GETTEXT with a time limit: edit fields, combo edits
    static wchar_t buf[65536];
    const LONG_PTR n = Send(hwnd, WM_GETTEXT, 65536, reinterpret_cast<LPARAM>(buf));
    return n >= 0 ? std::wstring(buf, n) : TitleOf(hwnd);
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    return GetWindowThreadProcessId(hwnd, &pid), pid;
}

std::vector<HWND> Windows(HWND parent) {
    std::vector<HWND> list;
    WNDENUMPROC collect = [](HWND w, LPARAM l) {
        return reinterpret_cast<std::vector<HWND>*>(l)->push_back(w), TRUE;
    };
    parent ? EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&list))
           : EnumWindows(collect, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND FindAppWindow() { // the hidden one
    return FindWindowW(L"ThunderRT6Main", L"HELIOTAB");
}
HWND FindMainWindow() {
    return FindWindowW(L"HELIOTAB_frmMain", nullptr);
}

HWND FindControl(HWND root, const std::wstring& target) {
    long long n = 0;
    if (!ParseInt(target, n))
        return nullptr;
    if (target.rfind(L"0x", 0) == 0)
        return IsWindow(reinterpret_cast<HWND>(n)) ? reinterpret_cast<HWND>(n) : nullptr;
    for (HWND w : Windows(root ? root : FindMainWindow()))
        if (GetDlgCtrlID(w) == n)
            return w;
    return nullptr;
}

HWND ChildOfClass(HWND root, const wchar_t* cls) {
    for (HWND w : Windows(root ? root : FindMainWindow()))
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

// The status bar is an ANSI control in the program's process: its text is read through memory
// there.
// A bad or missing number: std::stoll and Args::at throw, and main reports a usage error.
long long Int(const Args& a, size_t i) {
    return std::stoll(a.at(i), nullptr, 0);
}

int CmdStatusPanel(HWND root, const Args& a) {
    const long long index = Int(a, 0);
    HWND bar = ChildOfClass(root, L"msctls_statusbar32");
    if (!bar || index < 0 || index >= Send(bar, SB_GETPARTS, 0, 0))
        return NotFound("panel");
    const LONG_PTR len = Send(bar, SB_GETTEXTLENGTHA, index, 0);
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                              ProcessOf(bar));
    void* mem = VirtualAllocEx(proc, nullptr, 0x10000, MEM_COMMIT, PAGE_READWRITE);
    std::string text(0x10000, '\0');
    const bool ok = len >= 0 && mem && Send(bar, SB_GETTEXTA, index, (LPARAM)mem) >= 0 &&
                    ReadProcessMemory(proc, mem, text.data(), LOWORD(len) + 1, nullptr);
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
    HWND combo = a.empty() ? nullptr : FindControl(root, a.back());
    if (!combo)
        return NotFound("combo");
    if (cmd == L"combo-items") {
        PrintRecord("combo", {{"enabled", IsWindowEnabled(combo) ? "1" : "0"}});
        // Only the W messages are marshalled across processes under Wine.
        for (LONG_PTR i = 0; i < Send(combo, CB_GETCOUNT, 0, 0); ++i) {
            std::wstring text(std::max<LONG_PTR>(0, Send(combo, CB_GETLBTEXTLEN, i, 0)) + 1, 0);
            text.resize(std::max<LONG_PTR>(0, Send(combo, CB_GETLBTEXT, i, (LPARAM)text.data())));
            PrintRecord("item", {{"index", std::to_string(i)}, {"value", Escape(text)}});
        }
        return kOk;
    }
    if (cmd == L"combo-select") {
        const long long index = Int(a, 0);
        if (Send(combo, CB_SETCURSEL, index, 0) != index)
            return NotFound("item");
        // What a user's choice sends; posted, as the handler may ask the operator.
        return PostMessageW(GetParent(combo), WM_COMMAND,
                            MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), (LPARAM)combo),
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
    const long long cmd = Int(a, 0);
    HWND tb = ChildOfClass(root, L"ToolbarWindow32");
    const LONG_PTR state = tb ? Send(tb, TB_GETSTATE, cmd, 0) : -1;
    if (state == -1 || !(state & TBSTATE_ENABLED) || (state & TBSTATE_HIDDEN))
        return NotFound("enabled button");
    return PostMessageW(GetParent(tb), WM_COMMAND, MAKEWPARAM(cmd, BN_CLICKED), (LPARAM)tb), kOk;
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
                           {"buttons", buttons}});
}

int CmdMessageBox(const Args& a) {
    if (a.size() == 1 && a[0] == L"none") {
        for (HWND box : ProgramDialogs())
            PrintMessageBox(box);
        return ProgramDialogs().empty() ? kOk : kNotFound;
    }
    const bool answer = a.at(0) == L"answer";
    const size_t t = answer ? 2 : 1;
    const long long timeout = a.size() > t ? Int(a, t) : 5000;
    HWND box = nullptr;
    for (double start = ElapsedMs(); !box && ElapsedMs() - start < timeout; Sleep(10))
        box = ProgramDialogs().empty() ? nullptr : ProgramDialogs().front();
    if (!box)
        return NotFound("message-box");
    if (PrintMessageBox(box); !answer)
        return kOk;
    HWND button = GetDlgItem(box, kButtons.at(a.at(1)));
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
    HWND app = FindAppWindow(), main = FindMainWindow(), target = root ? root : main;
    HWND control = rest.empty() ? nullptr : FindControl(root, rest[0]);
    if (cmd == L"list-children") {
        if (!target)
            return NotFound("window");
        for (HWND w : Windows(target))
            PrintWindow("control", w);
    } else if (cmd == L"main-window") {
        if (!app)
            return NotFound("app-window");
        PrintWindow("app", app);
        if (main)
            PrintWindow("main", main);
    } else if (cmd == L"click") {
        if (!control || !IsWindowEnabled(control))
            return NotFound("enabled control");
        PostMessageW(control, BM_CLICK, 0, 0);
    } else if (cmd == L"close" || cmd == L"post") {
        const bool close = cmd == L"close";
        if (!target)
            return NotFound("window");
        PostMessageW(target, close ? WM_CLOSE : Int(rest, 0), close ? 0 : Int(rest, 1),
                     close ? 0 : Int(rest, 2));
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
    try {
        return uidriver::Run(uidriver::Args(argv + 1, argv + argc)); // freed at exit
    } catch (const std::exception&) {
        return uidriver::Usage("bad arguments (see the top of uidriver.cpp)");
    }
}
