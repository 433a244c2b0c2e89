// The window driver: what its commands share (uidriver.cpp, wait_window.cpp, probe_busy.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace uidriver {

// Exit codes, read by the tests together with the printed records.
enum ExitCode { kOk = 0, kNotFound = 1, kUsage = 2, kFailed = 3 };
using Args = std::vector<std::wstring>;
using Fields = std::vector<std::pair<std::string, std::string>>;

// One record per line, "kind<TAB>key=value<TAB>..."; values are Windows-1252 with \ and bytes
// outside printable ASCII written as \xNN.
void PrintRecord(const char* kind, const Fields& fields);
void PrintWindow(const char* kind, HWND hwnd); // hwnd, class, id, visible, enabled, owner, title
int Usage(const char* what);
bool ParseInt(const std::wstring& s, long long& out);
double ElapsedMs();    // since the driver started
std::string EpochMs(); // the wall clock, comparable with the benchmarks' Unix clock
std::string Hex(const void* h);
std::wstring ClassOf(HWND hwnd);
std::wstring TitleOf(HWND hwnd);
DWORD ProcessOf(HWND hwnd);
std::vector<HWND> Windows(HWND parent = nullptr); // top-level, or every descendant of parent
// A control: "0x..." handle or a decimal control id, below the main window (or `root`).
HWND FindControl(HWND root, const std::wstring& target);

int CmdProbeBusy(HWND root, const Args& a); // probe_busy.cpp
int CmdWaitWindow(const Args& a);           // wait_window.cpp

} // namespace uidriver
