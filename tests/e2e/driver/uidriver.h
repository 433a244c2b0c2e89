// The end-to-end tests' window driver: shared helpers of its command files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// Exit codes: the tests read them together with the printed lines.
enum ExitCode { kOk = 0, kNotFound = 1, kUsage = 2, kFailed = 3 };

struct Options {
    std::wstring appTitle = L"HELIOTAB";  // title of the hidden application window
    HWND root = nullptr;                  // --window: search controls here instead
};

// Output: one record per line, "kind<TAB>key=value<TAB>...". Values are Windows-1252
// with \\, \t, \r, \n and bytes outside printable ASCII written as \xNN.
std::string Escape(const std::wstring& text);
std::string Hex(const void* handle);
void PrintRecord(const char* kind, const std::vector<std::pair<std::string, std::string>>& fields);

double EpochMs();   // wall clock, comparable with the Unix clock of the test
double ElapsedMs(); // since the driver started

std::wstring ClassOf(HWND hwnd);
std::wstring TitleOf(HWND hwnd);  // GetWindowTextW: does not block on the target
std::wstring TextOf(HWND hwnd);   // WM_GETTEXT with a timeout (edit fields, combo edits)
DWORD ProcessOf(HWND hwnd);

std::vector<HWND> TopLevelWindows();
std::vector<HWND> Descendants(HWND parent);

HWND FindAppWindow(const Options& opt);   // hidden ThunderRT6Main window, or null
HWND FindMainWindow(const Options& opt);  // the window the hidden one owns, or null
// A control: "0x..." handle, a decimal control id, or "class:NAME" (first of that
// class) below the main window (or --window).
HWND FindControl(const Options& opt, const std::wstring& target);

void PrintWindow(const char* kind, HWND hwnd);

bool Matches(const std::wstring& pattern, const std::wstring& value);  // "*" = any

}  // namespace uidriver
