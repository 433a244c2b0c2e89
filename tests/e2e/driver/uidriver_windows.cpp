// Finding windows and controls of the program under test, and printing them.
#include "uidriver.h"

#include <cstdio>

namespace uidriver {

namespace {
const ULONGLONG kStartTicks = GetTickCount64();
const wchar_t kAppClass[] = L"ThunderRT6Main";
}  // namespace

std::string Escape(const std::wstring& text) {
    std::string bytes;
    if (!text.empty()) {
        int n = WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
        bytes.resize(n);
        WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                            nullptr, nullptr);
    }
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default:
            if (c < 0x20 || c >= 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::string Hex(const void* handle) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return buf;
}

void PrintRecord(const char* kind, const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string line = kind;
    for (const auto& [key, value] : fields) line += "\t" + key + "=" + value;
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

double EpochMs() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return static_cast<double>(t.QuadPart - 116444736000000000ULL) / 10000.0;
}

double ElapsedMs() { return static_cast<double>(GetTickCount64() - kStartTicks); }

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[256];
    int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring TitleOf(HWND hwnd) {
    int len = GetWindowTextLengthW(hwnd);
    std::wstring s(static_cast<size_t>(len) + 1, L'\0');
    int n = GetWindowTextW(hwnd, s.data(), len + 1);
    s.resize(n > 0 ? n : 0);
    return s;
}

std::wstring TextOf(HWND hwnd) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len))
        return TitleOf(hwnd);
    std::wstring s(len + 1, L'\0');
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(s.data()),
                             SMTO_ABORTIFHUNG, 2000, &n))
        return TitleOf(hwnd);
    s.resize(n);
    return s;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> list;
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    return list;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> list;
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    return list;
}

bool Matches(const std::wstring& pattern, const std::wstring& value) {
    return pattern == L"*" || pattern == value;
}

HWND FindAppWindow(const Options& opt) {
    for (HWND w : TopLevelWindows())
        if (ClassOf(w) == kAppClass && TitleOf(w) == opt.appTitle) return w;
    return nullptr;
}

HWND FindMainWindow(const Options& opt) {
    HWND app = FindAppWindow(opt);
    if (!app) return nullptr;
    HWND hidden = nullptr;
    for (HWND w : TopLevelWindows()) {
        if (w == app || GetWindow(w, GW_OWNER) != app) continue;
        if (ClassOf(w) == L"#32770") continue;  // message boxes and dialogs
        if (IsWindowVisible(w)) return w;
        if (!hidden) hidden = w;
    }
    return hidden;
}

HWND FindControl(const Options& opt, const std::wstring& target) {
    if (target.rfind(L"0x", 0) == 0) {
        HWND h = reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(target.c_str(), nullptr, 16)));
        return IsWindow(h) ? h : nullptr;
    }
    HWND root = opt.root ? opt.root : FindMainWindow(opt);
    if (!root) return nullptr;
    if (target.rfind(L"class:", 0) == 0) {
        std::wstring cls = target.substr(6);
        for (HWND w : Descendants(root))
            if (ClassOf(w) == cls) return w;
        return nullptr;
    }
    wchar_t* end = nullptr;
    long id = wcstol(target.c_str(), &end, 10);
    if (target.empty() || *end) return nullptr;
    for (HWND w : Descendants(root))
        if (GetDlgCtrlID(w) == id) return w;
    return nullptr;
}

void PrintWindow(const char* kind, HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    bool child = (style & WS_CHILD) != 0;
    PrintRecord(kind, {
        {"hwnd", Hex(hwnd)},
        {"pid", std::to_string(ProcessOf(hwnd))},
        {"class", Escape(ClassOf(hwnd))},
        {"id", std::to_string(child ? GetDlgCtrlID(hwnd) : 0)},
        {"visible", IsWindowVisible(hwnd) ? "1" : "0"},
        {"enabled", IsWindowEnabled(hwnd) ? "1" : "0"},
        {"owner", Hex(GetWindow(hwnd, GW_OWNER))},
        {"parent", Hex(child ? GetParent(hwnd) : nullptr)},
        {"style", Hex(reinterpret_cast<void*>(style))},
        {"exstyle", Hex(reinterpret_cast<void*>(exStyle))},
        {"rect", std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                     std::to_string(r.right) + "," + std::to_string(r.bottom)},
        {"title", Escape(child ? TextOf(hwnd) : TitleOf(hwnd))},
    });
}

}  // namespace uidriver
