"""Port scan figures of heliotab.exe under Wine (printed, never judged).

The options dialog scans COM1 and COM2 (silent ports) and finds the tester
on COM3. For each run the UI driver clicks the
scan button and, until the label names COM3, sends WM_NULL to the dialog
every 10 ms: the time from the click to the label, and the longest time the
dialog's thread kept a WM_NULL waiting.

    python3 bench_options.py [RUNS]
"""

import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "e2e"))  # the e2e harness

import test_options
from harness import Farsim, lang_text, poll
from test_options import CMD_SCANSIONE, LBL_COMPORT


def main(runs):
    t = test_options.OptionsDialogTest("test_scan_finds_the_tester_and_confirm_saves")
    t.setUp()
    try:
        # Two silent ports in front of the tester.
        t.sims[1].stop()
        t.sims[1] = Farsim(t.station.session, t.work, com=1, args=["--silent"])
        t.addCleanup(t.sims[1].stop)
        t.station.start_and_wait()
        t.open_dialog()
        found = lang_text(412) + "3"
        elapsed, busy = [], []
        for _ in range(runs):
            r = t.d("probe-busy", str(CMD_SCANSIONE), str(LBL_COMPORT), found, 30000)
            p = r.first("probe")
            elapsed.append(float(p["elapsed_ms"]))
            busy.append(float(p["max_busy_ms"]))
            poll(lambda: t.enabled(CMD_SCANSIONE), 10, 0.1, "scan over")
        print(
            f"scan to COM3 behind two silent ports: runs={runs} median={statistics.median(elapsed):.0f} ms "
            f"max={max(elapsed):.0f} ms"
        )
        print(
            f"dialog thread busy during a scan (WM_NULL every 10 ms): median of maxima="
            f"{statistics.median(busy):.1f} ms worst={max(busy):.1f} ms"
        )
    finally:
        t.doCleanups()


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 5)
