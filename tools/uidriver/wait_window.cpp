// uidriver's wait-window, for the start-up figures (bench_e2e.py) and the demo: waits for a
// top-level window of CLASS and TITLE ("*" matches any), --visible only a shown one, --idle also
// until its thread is back in its message loop; records carry the wall clock of each moment.
#include "uidriver.h"

namespace uidriver {

std::string EpochMs() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    return std::to_string(static_cast<double>(t.QuadPart - 116444736000000000ULL) / 10000.0);
}
int CmdWaitWindow(const Args& a) {
    long long timeout = 0;
    if (a.size() < 3 || !ParseInt(a[2], timeout))
        return Usage("wait-window CLASS TITLE TIMEOUT_MS [--visible] [--idle]");
    bool idle = a.size() > 3 && a[3] == L"--idle", visible = idle || a.size() > 3;
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
                SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout), &r);
                f.push_back({"idle_epoch_ms", EpochMs()});
            }
            return PrintRecord("found", f), PrintWindow("window", w), kOk;
        }
    }
    return PrintRecord("timeout", {}), kNotFound;
}

} // namespace uidriver
