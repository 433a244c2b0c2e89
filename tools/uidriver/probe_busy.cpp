// uidriver's probe-busy, for the port scan figures (bench_options.py): clicks BUTTON and, until
// CONTROL shows TEXT, sends WM_NULL to the button's window every 10 ms; prints how long the click
// took to give TEXT and the longest time the window's thread kept a WM_NULL waiting.
#include <algorithm>

#include "uidriver.h"

namespace uidriver {

int CmdProbeBusy(HWND root, const Args& a) {
    long long timeout = 0;
    if (a.size() < 4 || !ParseInt(a[3], timeout))
        return Usage("probe-busy BUTTON CONTROL TEXT TIMEOUT_MS");
    HWND button = FindControl(root, a[0]), control = FindControl(root, a[1]);
    if (!button || !control)
        return kNotFound;
    HWND window = GetAncestor(button, GA_ROOT);
    const double start = ElapsedMs();
    PostMessageW(button, BM_CLICK, 0, 0);
    double busiest = 0;
    long probes = 0;
    bool changed = false; // the label may still show TEXT from a run before
    for (;;) {
        const double sent = ElapsedMs();
        DWORD_PTR r = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
        busiest = std::max(busiest, ElapsedMs() - sent);
        ++probes;
        const bool shows = TitleOf(control) == a[2];
        changed = changed || !shows;
        if (shows && changed)
            break;
        if (ElapsedMs() - start >= static_cast<double>(timeout)) {
            PrintRecord("timeout", {{"max_busy_ms", std::to_string(busiest)}});
            return kNotFound;
        }
        const double rest = 10 - (ElapsedMs() - sent);
        if (rest > 0)
            Sleep(static_cast<DWORD>(rest));
    }
    PrintRecord("probe", {{"elapsed_ms", std::to_string(ElapsedMs() - start)},
                          {"max_busy_ms", std::to_string(busiest)},
                          {"probes", std::to_string(probes)}});
    return kOk;
}

} // namespace uidriver
