// The end-to-end tests' window driver: what its commands share (and the benchmark's probe uses).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace uidriver {

// Exit codes, read by the tests together with the printed records.
enum ExitCode { kOk = 0, kNotFound = 1, kUsage = 2, kFailed = 3 };
using Args = std::vector<std::wstring>;

// One record per line, "kind<TAB>key=value<TAB>..."; values are Windows-1252 with \\, \t, \r, \n
// and bytes outside printable ASCII written as \xNN.
void PrintRecord(const char* kind, const std::vector<std::pair<std::string, std::string>>& fields);
int Usage(const char* what);
bool ParseInt(const std::wstring& s, long long& out);
double ElapsedMs(); // since the driver started
std::wstring TitleOf(HWND hwnd);
// A control: "0x..." handle or a decimal control id, below the main window (or `root`).
HWND FindControl(HWND root, const std::wstring& target);

int CmdProbeBusy(HWND root, const Args& a); // bench/e2e/probe_busy.cpp

} // namespace uidriver
