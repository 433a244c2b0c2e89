// uidriver: drives the program's windows from outside, for the end-to-end tests.
// Runs under the same Wine prefix and display as the program. Every command prints
// machine-readable records (see uidriver.h) and exits 0 on success, 1 when the
// window, control or state looked for is not there (or a wait timed out), 2 on a
// usage error and 3 when a call failed.
//
//   uidriver [--app-title T] [--window HWND] COMMAND ARGS...
//   list-windows                        every top-level window
//   list-children [TARGET]              every control below the main window (or TARGET)
//   main-window                         the hidden application window and the main window
//   is-running                          exit 0 when the hidden application window exists
//   wait-window CLASS TITLE TIMEOUT_MS [--visible] [--idle]   ("*" matches any)
//   window-info TARGET | get-text TARGET
//   status-panel N | status-panels
//   combo-items [TARGET] | combo-get [TARGET] | combo-select N [TARGET] | combo-dropdown [TARGET]
//   toolbar-state CMD | click-toolbar CMD [--force]
//   click TARGET                        BM_CLICK (posted)
//   message-box wait TIMEOUT_MS | message-box answer yes|no|ok|cancel [TIMEOUT_MS] | message-box none
//   key esc|enter|tab|space|up|down|left|right|f1..f12|0xVK [TARGET]
//   close                               WM_CLOSE to the main window (posted)
//   send HWND|TARGET MSG WPARAM LPARAM  SendMessageTimeout, prints the result
//   post HWND|TARGET MSG WPARAM LPARAM  PostMessage
//   probe-busy BUTTON CONTROL TEXT MS   click, then WM_NULL every 10 ms until CONTROL shows TEXT (figures)
//
// TARGET: a window handle 0x..., a control id (decimal) or class:NAME, searched
// below the main window. Actions that could open a modal message box are posted
// (or sent with a time limit), so the driver cannot hang on the program's modal loop.
#include "uidriver.h"

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>

namespace uidriver {
namespace {

using Args = std::vector<std::wstring>;

int Usage(const char* what) {
    std::fprintf(stderr, "uidriver: %s\n", what);
    return kUsage;
}

bool ParseInt(const std::wstring& s, long long& out) {
    if (s.empty()) return false;
    wchar_t* end = nullptr;
    out = wcstoll(s.c_str(), &end, 0);
    return *end == 0;
}

int NotFound(const char* what, const std::wstring& target = L"") {
    PrintRecord("error", {{"reason", "not-found"}, {"what", what}, {"target", Escape(target)}});
    return kNotFound;
}

HWND ControlOrFirst(const Options& opt, const Args& a, size_t i, const wchar_t* cls) {
    return FindControl(opt, a.size() > i ? a[i] : std::wstring(L"class:") + cls);
}

int CmdListWindows(const Options&, const Args&) {
    for (HWND w : TopLevelWindows()) PrintWindow("window", w);
    return kOk;
}

int CmdListChildren(const Options& opt, const Args& a) {
    HWND root = a.empty() ? (opt.root ? opt.root : FindMainWindow(opt)) : FindControl(opt, a[0]);
    if (!root) return NotFound("window");
    for (HWND w : Descendants(root)) PrintWindow("control", w);
    return kOk;
}

int CmdMainWindow(const Options& opt, const Args&) {
    HWND app = FindAppWindow(opt);
    if (!app) return NotFound("app-window");
    PrintWindow("app", app);
    HWND main = FindMainWindow(opt);
    if (!main) return NotFound("main-window");
    PrintWindow("main", main);
    return kOk;
}

int CmdIsRunning(const Options& opt, const Args&) {
    HWND app = FindAppWindow(opt);
    PrintRecord("running", {{"value", app ? "1" : "0"}, {"hwnd", Hex(app)}});
    return app ? kOk : kNotFound;
}

HWND FindTopLevel(const std::wstring& cls, const std::wstring& title, bool visible) {
    for (HWND w : TopLevelWindows()) {
        if (!Matches(cls, ClassOf(w)) || !Matches(title, TitleOf(w))) continue;
        if (visible && !IsWindowVisible(w)) continue;
        return w;
    }
    return nullptr;
}

int CmdWaitWindow(const Options&, const Args& a) {
    if (a.size() < 3) return Usage("wait-window CLASS TITLE TIMEOUT_MS [--visible] [--idle]");
    long long timeout = 0;
    if (!ParseInt(a[2], timeout)) return Usage("bad timeout");
    bool visible = false, idle = false;
    for (size_t i = 3; i < a.size(); ++i) {
        if (a[i] == L"--visible") visible = true;
        else if (a[i] == L"--idle") idle = visible = true;
        else return Usage("unknown wait-window option");
    }
    double start = ElapsedMs();
    // Lets a caller start the program only once the driver is watching.
    PrintRecord("waiting", {{"epoch_ms", std::to_string(EpochMs())}});
    for (;;) {
        HWND w = FindTopLevel(a[0], a[1], visible);
        if (w) {
            double foundEpoch = EpochMs(), foundMs = ElapsedMs();
            std::vector<std::pair<std::string, std::string>> f = {
                {"hwnd", Hex(w)}, {"found_ms", std::to_string(foundMs - start)},
                {"epoch_ms", std::to_string(foundEpoch)}};
            if (idle) {
                // Idle: the window's thread has come back to its message loop.
                HANDLE proc = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProcessOf(w));
                if (proc) {
                    WaitForInputIdle(proc, static_cast<DWORD>(timeout));
                    CloseHandle(proc);
                }
                DWORD_PTR r = 0;
                SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout), &r);
                f.push_back({"idle_epoch_ms", std::to_string(EpochMs())});
            }
            PrintRecord("found", f);
            PrintWindow("window", w);
            return kOk;
        }
        if (ElapsedMs() - start >= static_cast<double>(timeout)) {
            PrintRecord("timeout", {{"waited_ms", std::to_string(ElapsedMs() - start)}});
            return kNotFound;
        }
        Sleep(5);
    }
}

int CmdWindowInfo(const Options& opt, const Args& a) {
    if (a.empty()) return Usage("window-info TARGET");
    HWND w = FindControl(opt, a[0]);
    if (!w) return NotFound("control", a[0]);
    PrintWindow("window", w);
    return kOk;
}

int CmdGetText(const Options& opt, const Args& a) {
    if (a.empty()) return Usage("get-text TARGET");
    HWND w = FindControl(opt, a[0]);
    if (!w) return NotFound("control", a[0]);
    PrintRecord("text", {{"hwnd", Hex(w)}, {"value", Escape(TextOf(w))}});
    return kOk;
}

// Memory in the target process for messages that return data through a pointer.
class RemoteBuffer {
public:
    RemoteBuffer(HWND w, size_t size) : size_(size) {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(w));
        if (process_) mem_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (mem_) VirtualFreeEx(process_, mem_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool ok() const { return mem_ != nullptr; }
    LPARAM address() const { return reinterpret_cast<LPARAM>(mem_); }
    bool Read(void* out, size_t n) const {
        SIZE_T got = 0;
        return n <= size_ && ReadProcessMemory(process_, mem_, out, n, &got) && got == n;
    }

private:
    HANDLE process_ = nullptr;
    void* mem_ = nullptr;
    size_t size_;
};

HWND StatusBar(const Options& opt) { return FindControl(opt, L"class:msctls_statusbar32"); }

bool PanelText(HWND bar, int index, std::wstring& out) {
    DWORD_PTR lenAndType = 0;
    if (!SendMessageTimeoutA(bar, SB_GETTEXTLENGTHA, index, 0, SMTO_ABORTIFHUNG, 2000, &lenAndType))
        return false;
    size_t len = LOWORD(lenAndType);
    RemoteBuffer buf(bar, len + 1);
    if (!buf.ok()) return false;
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(bar, SB_GETTEXTA, index, buf.address(), SMTO_ABORTIFHUNG, 2000, &r))
        return false;
    std::string text(len + 1, '\0');
    if (!buf.Read(text.data(), len + 1)) return false;
    text.resize(strnlen(text.c_str(), len));
    int n = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    out.assign(n, L'\0');
    MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return true;
}

int CmdStatusPanel(const Options& opt, const Args& a) {
    long long index = 0;
    if (a.empty() || !ParseInt(a[0], index)) return Usage("status-panel N");
    HWND bar = StatusBar(opt);
    if (!bar) return NotFound("status-bar");
    DWORD_PTR parts = 0;
    SendMessageTimeoutW(bar, SB_GETPARTS, 0, 0, SMTO_ABORTIFHUNG, 2000, &parts);
    if (index < 0 || index >= static_cast<long long>(parts)) return NotFound("panel", a[0]);
    std::wstring text;
    if (!PanelText(bar, static_cast<int>(index), text)) return kFailed;
    PrintRecord("panel", {{"index", std::to_string(index)}, {"value", Escape(text)}});
    return kOk;
}

int CmdStatusPanels(const Options& opt, const Args&) {
    HWND bar = StatusBar(opt);
    if (!bar) return NotFound("status-bar");
    DWORD_PTR parts = 0;
    SendMessageTimeoutW(bar, SB_GETPARTS, 0, 0, SMTO_ABORTIFHUNG, 2000, &parts);
    for (int i = 0; i < static_cast<int>(parts); ++i) {
        std::wstring text;
        if (!PanelText(bar, i, text)) return kFailed;
        PrintRecord("panel", {{"index", std::to_string(i)}, {"value", Escape(text)}});
    }
    return kOk;
}

int CmdComboItems(const Options& opt, const Args& a) {
    HWND combo = ControlOrFirst(opt, a, 0, L"ComboBox");
    if (!combo) return NotFound("combo");
    DWORD_PTR count = 0, sel = 0;
    SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    SendMessageTimeoutW(combo, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &sel);
    PrintRecord("combo", {{"hwnd", Hex(combo)}, {"count", std::to_string(static_cast<LONG_PTR>(count))},
                          {"selected", std::to_string(static_cast<LONG_PTR>(sel))},
                          {"enabled", IsWindowEnabled(combo) ? "1" : "0"}});
    for (LONG_PTR i = 0; i < static_cast<LONG_PTR>(count); ++i) {
        // Only the W variant is marshalled across processes under Wine.
        DWORD_PTR len = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &len);
        if (static_cast<LONG_PTR>(len) < 0) return kFailed;
        std::wstring text(len + 1, L'\0');
        DWORD_PTR n = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, 2000, &n);
        text.resize(static_cast<LONG_PTR>(n) > 0 ? n : 0);
        PrintRecord("item", {{"index", std::to_string(i)}, {"value", Escape(text)}});
    }
    return kOk;
}

int CmdComboGet(const Options& opt, const Args& a) {
    HWND combo = ControlOrFirst(opt, a, 0, L"ComboBox");
    if (!combo) return NotFound("combo");
    DWORD_PTR sel = 0;
    SendMessageTimeoutW(combo, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &sel);
    PrintRecord("combo", {{"hwnd", Hex(combo)}, {"selected", std::to_string(static_cast<LONG_PTR>(sel))},
                          {"text", Escape(TextOf(combo))}});
    return kOk;
}

void PostCommand(HWND control, WORD code) {
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

int CmdComboSelect(const Options& opt, const Args& a) {
    long long index = 0;
    if (a.empty() || !ParseInt(a[0], index)) return Usage("combo-select N [TARGET]");
    HWND combo = ControlOrFirst(opt, a, 1, L"ComboBox");
    if (!combo) return NotFound("combo");
    DWORD_PTR r = 0;
    SendMessageTimeoutW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 2000, &r);
    if (static_cast<LONG_PTR>(r) != index) return NotFound("item", a[0]);
    // What a user's choice sends; posted, as the handler may ask the operator.
    PostCommand(combo, CBN_SELCHANGE);
    PrintRecord("selected", {{"hwnd", Hex(combo)}, {"index", std::to_string(index)}});
    return kOk;
}

int CmdComboDropdown(const Options& opt, const Args& a) {
    HWND combo = ControlOrFirst(opt, a, 0, L"ComboBox");
    if (!combo) return NotFound("combo");
    if (!IsWindowEnabled(combo)) {
        PrintRecord("error", {{"reason", "disabled"}, {"hwnd", Hex(combo)}});
        return kNotFound;
    }
    // Opening the list makes the combo box notify its parent (CBN_DROPDOWN), which
    // may refill the list. Sent, not posted, so that the refill is over before the
    // next command looks at the list; bounded, should the handler ask the operator.
    DWORD_PTR r = 0;
    bool opened = SendMessageTimeoutW(combo, CB_SHOWDROPDOWN, TRUE, 0, SMTO_NORMAL, 10000, &r) != 0;
    bool closed = opened && SendMessageTimeoutW(combo, CB_SHOWDROPDOWN, FALSE, 0, SMTO_NORMAL, 10000, &r) != 0;
    PrintRecord("dropdown", {{"hwnd", Hex(combo)}, {"done", closed ? "1" : "0"}});
    return closed ? kOk : kNotFound;
}

HWND Toolbar(const Options& opt) { return FindControl(opt, L"class:ToolbarWindow32"); }

int CmdToolbarState(const Options& opt, const Args& a, bool click) {
    long long cmd = 0;
    if (a.empty() || !ParseInt(a[0], cmd)) return Usage("toolbar-state|click-toolbar CMD");
    bool force = a.size() > 1 && a[1] == L"--force";
    HWND tb = Toolbar(opt);
    if (!tb) return NotFound("toolbar");
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutW(tb, TB_GETSTATE, static_cast<WPARAM>(cmd), 0, SMTO_ABORTIFHUNG, 2000, &state))
        return kFailed;
    if (static_cast<LONG_PTR>(state) == -1) return NotFound("button", a[0]);
    bool enabled = state & TBSTATE_ENABLED, hidden = state & TBSTATE_HIDDEN;
    PrintRecord("button", {{"cmd", std::to_string(cmd)}, {"enabled", enabled ? "1" : "0"},
                           {"hidden", hidden ? "1" : "0"}, {"checked", (state & TBSTATE_CHECKED) ? "1" : "0"}});
    if (!click) return kOk;
    if ((!enabled || hidden) && !force) {
        PrintRecord("error", {{"reason", hidden ? "hidden" : "disabled"}});
        return kNotFound;
    }
    // A click on a toolbar button reaches the toolbar's parent as WM_COMMAND.
    PostMessageW(GetParent(tb), WM_COMMAND, MAKEWPARAM(cmd, BN_CLICKED), reinterpret_cast<LPARAM>(tb));
    PrintRecord("clicked", {{"cmd", std::to_string(cmd)}});
    return kOk;
}

int CmdClick(const Options& opt, const Args& a) {
    if (a.empty()) return Usage("click TARGET");
    HWND w = FindControl(opt, a[0]);
    if (!w) return NotFound("control", a[0]);
    if (!IsWindowEnabled(w)) {
        PrintRecord("error", {{"reason", "disabled"}, {"hwnd", Hex(w)}});
        return kNotFound;
    }
    PostMessageW(w, BM_CLICK, 0, 0);
    PrintRecord("clicked", {{"hwnd", Hex(w)}});
    return kOk;
}

// Dialogs (#32770) of the program's process: message boxes, options, about box.
std::vector<HWND> ProgramDialogs(const Options& opt) {
    HWND app = FindAppWindow(opt);
    DWORD pid = app ? ProcessOf(app) : 0;
    std::vector<HWND> out;
    for (HWND w : TopLevelWindows()) {
        if (ClassOf(w) != L"#32770" || !IsWindowVisible(w)) continue;
        DWORD p = ProcessOf(w);
        if (p == GetCurrentProcessId()) continue;
        if (pid && p != pid) continue;
        out.push_back(w);
    }
    return out;
}

// Pixels of a w x h area drawn by `paint` into a 32-bit DIB.
template <typename Paint>
std::vector<DWORD> Capture(int w, int h, Paint paint) {
    std::vector<DWORD> px(static_cast<size_t>(w) * h);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    paint(mem, screen);
    GdiFlush();
    std::memcpy(px.data(), bits, px.size() * sizeof(DWORD));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

// Which standard icon a message box shows. Icon handles are per process under
// Wine, so the shown pixels are compared with the standard icons drawn here on
// the same background.
const char* IconName(HWND box) {
    HWND icon = nullptr;
    for (HWND c : Descendants(box)) {
        if (ClassOf(c) == L"Static" && (GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            icon = c;
            break;
        }
    }
    if (!icon || !IsWindowVisible(icon)) return "none";
    DWORD_PTR handle = 0;
    SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &handle);
    RECT r{};
    GetWindowRect(icon, &r);
    int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
    if (!handle || r.right - r.left < w || r.bottom - r.top < h) return "none";
    auto shown = Capture(w, h, [&](HDC mem, HDC screen) { BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY); });
    DWORD background = shown[0];  // icon corners are transparent
    const std::pair<int, const char*> known[] = {
        {32513, "stop"}, {32514, "question"}, {32515, "exclamation"}, {32516, "information"}};
    const char* best = "unknown";
    size_t bestSame = 0;
    for (const auto& [id, name] : known) {
        HICON hi = LoadIconW(nullptr, MAKEINTRESOURCEW(id));
        auto drawn = Capture(w, h, [&](HDC mem, HDC) {
            HBRUSH brush = CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
            RECT all{0, 0, w, h};
            FillRect(mem, &all, brush);
            DeleteObject(brush);
            DrawIconEx(mem, 0, 0, hi, w, h, 0, nullptr, DI_NORMAL);
        });
        size_t same = 0;
        for (size_t i = 0; i < drawn.size(); ++i) same += (drawn[i] & 0xFFFFFF) == (shown[i] & 0xFFFFFF);
        if (same > bestSame) {
            bestSame = same;
            best = name;
        }
    }
    // Accept only a near-perfect match.
    return bestSame * 100 >= shown.size() * 97 ? best : "unknown";
}

void PrintMessageBox(HWND box) {
    std::wstring text;
    std::string buttons;
    const std::map<int, const char*> names = {{IDOK, "ok"}, {IDCANCEL, "cancel"}, {IDABORT, "abort"},
                                              {IDRETRY, "retry"}, {IDIGNORE, "ignore"}, {IDYES, "yes"},
                                              {IDNO, "no"}};
    for (HWND c : Descendants(box)) {
        int id = GetDlgCtrlID(c);
        if (id == 0xFFFF && ClassOf(c) == L"Static") text = TextOf(c);
        auto it = names.find(id);
        if (it != names.end() && ClassOf(c) == L"Button" && IsWindowVisible(c))
            buttons += std::string(buttons.empty() ? "" : ",") + it->second;
    }
    PrintRecord("msgbox", {{"hwnd", Hex(box)}, {"owner", Hex(GetWindow(box, GW_OWNER))},
                           {"title", Escape(TitleOf(box))}, {"text", Escape(text)},
                           {"buttons", buttons}, {"icon", IconName(box)}});
}

HWND WaitDialog(const Options& opt, long long timeout) {
    double start = ElapsedMs();
    for (;;) {
        auto list = ProgramDialogs(opt);
        if (!list.empty()) return list.front();
        if (ElapsedMs() - start >= static_cast<double>(timeout)) return nullptr;
        Sleep(10);
    }
}

int CmdMessageBox(const Options& opt, const Args& a) {
    if (a.empty()) return Usage("message-box wait|answer|none ...");
    long long timeout = 0;
    if (a[0] == L"none") {
        auto list = ProgramDialogs(opt);
        for (HWND w : list) PrintMessageBox(w);
        PrintRecord("dialogs", {{"count", std::to_string(list.size())}});
        return list.empty() ? kOk : kNotFound;
    }
    if (a[0] == L"wait") {
        if (a.size() < 2 || !ParseInt(a[1], timeout)) return Usage("message-box wait TIMEOUT_MS");
        HWND box = WaitDialog(opt, timeout);
        if (!box) {
            PrintRecord("timeout", {});
            return kNotFound;
        }
        PrintMessageBox(box);
        return kOk;
    }
    if (a[0] == L"answer") {
        if (a.size() < 2) return Usage("message-box answer yes|no|ok|cancel [TIMEOUT_MS]");
        const std::map<std::wstring, int> ids = {{L"ok", IDOK}, {L"cancel", IDCANCEL}, {L"yes", IDYES},
                                                 {L"no", IDNO}, {L"retry", IDRETRY}, {L"abort", IDABORT},
                                                 {L"ignore", IDIGNORE}};
        auto it = ids.find(a[1]);
        if (it == ids.end()) return Usage("unknown answer");
        timeout = 5000;
        if (a.size() > 2 && !ParseInt(a[2], timeout)) return Usage("bad timeout");
        HWND box = WaitDialog(opt, timeout);
        if (!box) return NotFound("message-box");
        HWND button = GetDlgItem(box, it->second);
        if (!button || !IsWindowVisible(button)) return NotFound("button", a[1]);
        PrintMessageBox(box);
        DWORD_PTR r = 0;
        const double pressed = EpochMs();
        SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
        PrintRecord("answered", {{"button", Escape(a[1])}, {"epoch_ms", std::to_string(pressed)}});
        return kOk;
    }
    return Usage("message-box wait|answer|none");
}

int KeyCode(const std::wstring& name) {
    static const std::map<std::wstring, int> keys = {
        {L"esc", VK_ESCAPE}, {L"enter", VK_RETURN}, {L"tab", VK_TAB}, {L"space", VK_SPACE},
        {L"up", VK_UP}, {L"down", VK_DOWN}, {L"left", VK_LEFT}, {L"right", VK_RIGHT},
        {L"home", VK_HOME}, {L"end", VK_END}, {L"pgup", VK_PRIOR}, {L"pgdn", VK_NEXT}};
    auto it = keys.find(name);
    if (it != keys.end()) return it->second;
    if (name.size() >= 2 && name[0] == L'f') {
        long long n = 0;
        if (ParseInt(name.substr(1), n) && n >= 1 && n <= 12) return VK_F1 + static_cast<int>(n) - 1;
    }
    long long vk = 0;
    if (name.rfind(L"0x", 0) == 0 && ParseInt(name, vk) && vk > 0 && vk < 256) return static_cast<int>(vk);
    return 0;
}

int CmdKey(const Options& opt, const Args& a) {
    if (a.empty()) return Usage("key NAME [TARGET]");
    int vk = KeyCode(a[0]);
    if (!vk) return Usage("unknown key");
    HWND target = nullptr;
    if (a.size() > 1) {
        target = FindControl(opt, a[1]);
        if (!target) return NotFound("control", a[1]);
    } else {
        HWND main = FindMainWindow(opt);
        if (!main) return NotFound("main-window");
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        DWORD tid = GetWindowThreadProcessId(main, nullptr);
        if (GetGUIThreadInfo(tid, &info)) target = info.hwndFocus ? info.hwndFocus : info.hwndActive;
        if (!target) target = main;
    }
    UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    LPARAM up = down | (1LL << 30) | (1LL << 31);
    // The program's message loop translates the key into WM_CHAR as for a real key.
    PostMessageW(target, WM_KEYDOWN, vk, down);
    PostMessageW(target, WM_KEYUP, vk, up);
    PrintRecord("key", {{"vk", std::to_string(vk)}, {"hwnd", Hex(target)}, {"class", Escape(ClassOf(target))}});
    return kOk;
}

int CmdClose(const Options& opt, const Args&) {
    HWND main = FindMainWindow(opt);
    if (!main) return NotFound("main-window");
    PostMessageW(main, WM_CLOSE, 0, 0);
    PrintRecord("closed", {{"hwnd", Hex(main)}});
    return kOk;
}

int CmdMessage(const Options& opt, const Args& a, bool send) {
    if (a.size() < 4) return Usage("send|post TARGET MSG WPARAM LPARAM");
    HWND w = FindControl(opt, a[0]);
    if (!w && a[0] == L"main") w = FindMainWindow(opt);
    if (!w) return NotFound("window", a[0]);
    long long msg = 0, wp = 0, lp = 0;
    if (!ParseInt(a[1], msg) || !ParseInt(a[2], wp) || !ParseInt(a[3], lp)) return Usage("bad number");
    if (send) {
        DWORD_PTR r = 0;
        if (!SendMessageTimeoutW(w, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp),
                                 SMTO_ABORTIFHUNG, 5000, &r))
            return kFailed;
        PrintRecord("result", {{"value", std::to_string(static_cast<LONG_PTR>(r))}});
    } else {
        if (!PostMessageW(w, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp)))
            return kFailed;
        PrintRecord("posted", {{"hwnd", Hex(w)}});
    }
    return kOk;
}

// Clicks a button and, until a control shows TEXT, sends WM_NULL to the
// button's window every 10 ms: how long the click took to give TEXT, and the
// longest time the window's thread kept a WM_NULL waiting (busy).
int CmdProbeBusy(const Options& opt, const Args& a) {
    if (a.size() < 4) return Usage("probe-busy BUTTON CONTROL TEXT TIMEOUT_MS");
    HWND button = FindControl(opt, a[0]);
    HWND control = FindControl(opt, a[1]);
    long long timeout = 0;
    if (!button || !control) return NotFound("control");
    if (!ParseInt(a[3], timeout)) return Usage("bad timeout");
    HWND window = GetAncestor(button, GA_ROOT);
    const double start = ElapsedMs();
    PostMessageW(button, BM_CLICK, 0, 0);
    double busiest = 0;
    long probes = 0;
    bool changed = false;  // the label may still show TEXT from a run before
    for (;;) {
        const double sent = ElapsedMs();
        DWORD_PTR r = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
        const double took = ElapsedMs() - sent;
        if (took > busiest) busiest = took;
        ++probes;
        const bool shows = TitleOf(control) == a[2];
        if (!shows) changed = true;
        if (shows && changed) break;
        if (ElapsedMs() - start >= static_cast<double>(timeout)) {
            PrintRecord("timeout", {{"max_busy_ms", std::to_string(busiest)}});
            return kNotFound;
        }
        const double rest = 10 - (ElapsedMs() - sent);
        if (rest > 0) Sleep(static_cast<DWORD>(rest));
    }
    PrintRecord("probe", {{"elapsed_ms", std::to_string(ElapsedMs() - start)},
                          {"max_busy_ms", std::to_string(busiest)}, {"probes", std::to_string(probes)}});
    return kOk;
}

int Run(Options& opt, Args a) {
    while (!a.empty() && a[0].rfind(L"--", 0) == 0) {
        if (a[0] == L"--app-title" && a.size() > 1) {
            opt.appTitle = a[1];
        } else if (a[0] == L"--window" && a.size() > 1) {
            opt.root = FindControl(opt, a[1]);
            if (!opt.root) return NotFound("window", a[1]);
        } else {
            return Usage("unknown option");
        }
        a.erase(a.begin(), a.begin() + 2);
    }
    if (a.empty()) return Usage("no command (see the comment at the top of uidriver.cpp)");
    std::wstring cmd = a[0];
    Args rest(a.begin() + 1, a.end());
    if (cmd == L"list-windows") return CmdListWindows(opt, rest);
    if (cmd == L"list-children") return CmdListChildren(opt, rest);
    if (cmd == L"main-window") return CmdMainWindow(opt, rest);
    if (cmd == L"is-running") return CmdIsRunning(opt, rest);
    if (cmd == L"wait-window") return CmdWaitWindow(opt, rest);
    if (cmd == L"window-info") return CmdWindowInfo(opt, rest);
    if (cmd == L"get-text") return CmdGetText(opt, rest);
    if (cmd == L"status-panel") return CmdStatusPanel(opt, rest);
    if (cmd == L"status-panels") return CmdStatusPanels(opt, rest);
    if (cmd == L"combo-items") return CmdComboItems(opt, rest);
    if (cmd == L"combo-get") return CmdComboGet(opt, rest);
    if (cmd == L"combo-select") return CmdComboSelect(opt, rest);
    if (cmd == L"combo-dropdown") return CmdComboDropdown(opt, rest);
    if (cmd == L"toolbar-state") return CmdToolbarState(opt, rest, false);
    if (cmd == L"click-toolbar") return CmdToolbarState(opt, rest, true);
    if (cmd == L"click") return CmdClick(opt, rest);
    if (cmd == L"message-box") return CmdMessageBox(opt, rest);
    if (cmd == L"key") return CmdKey(opt, rest);
    if (cmd == L"close") return CmdClose(opt, rest);
    if (cmd == L"send") return CmdMessage(opt, rest, true);
    if (cmd == L"post") return CmdMessage(opt, rest, false);
    if (cmd == L"probe-busy") return CmdProbeBusy(opt, rest);
    return Usage("unknown command");
}

}  // namespace
}  // namespace uidriver

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    uidriver::Options opt;
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    return uidriver::Run(opt, args);
}
