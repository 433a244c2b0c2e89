"""Printing under Wine on the CUPS PDF printer (printed, never judged): the time
from pressing OK in the print dialog (the driver's wall clock just before its
click) until the report's PDF is complete (the last close-after-write of the
file, read with inotify, once CUPS reports no unfinished job), over N
demonstration tests (/TEST, toolbar "Test") with "Stampa report" on.
"""

import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "e2e"))  # the e2e harness

import test_print
from inotify import Inotify
from harness import (
    COM,
    DRIVER,
    EXE,
    FARSIM,
    TB_TEST,
    Farsim,
    Station,
    poll,
    road_settings,
    session,
    test_language,
)
from bench_latency import start_program, wait_online


def main():
    tests = int(os.environ.get("HELIOTAB_BENCH_PRINTS", "5"))
    if not (EXE.is_file() and DRIVER.is_file() and FARSIM.is_file() and test_print.have_cups):
        print("SKIP: heliotab.exe, uidriver.exe, farsim or CUPS missing")
        return 97
    sess = session()
    station = Station("bench-print", sess, language=test_language())
    cups_dir = station.dir.parent / "bench-print-cups"
    pdf_dir = Path(test_print.cups("start", cups_dir))
    work = station.dir.parent / "bench-print-farsim"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir()
    farsim = Farsim(
        sess,
        work,
        COM,
        [
            "--demo",
            "--demo-interval",
            "150",
            "--measure-after",
            "200",
            "--result-after",
            "50",
            "--version",
            "1.2A",
        ],
    )
    ino = Inotify()
    took = []
    try:
        station.write(station.settings_path, road_settings(station, extra=[("Stampa report", "1")]))
        p = start_program(station, ["/TEST"])
        wait_online(station)
        ino.watch(pdf_dir, Inotify.IN_CLOSE_WRITE)
        to_wall = time.time() - time.monotonic()
        for i in range(tests):
            station.driver.check("click-toolbar", TB_TEST)
            # "test completed" comes first, then the print dialog.
            station.driver.check("message-box", "answer", "ok", 30000, timeout=30)
            answered = station.driver.check("message-box", "answer", "ok", 20000, timeout=20).first(
                "answered"
            )
            pressed = float(answered["epoch_ms"]) / 1000.0
            closes = {}

            def complete():
                for t, _, path in ino.read(0.05):
                    closes[path] = t + to_wall
                pending = subprocess.run(
                    ["lpstat", "-W", "not-completed", "-o"], capture_output=True, text=True
                ).stdout.strip()
                done = [q for q in closes if q.exists() and q.stat().st_size > 0]
                return not pending and done

            poll(complete, 60, 0, f"print {i + 1}: the PDF")
            took.append((max(closes.values()) - pressed) * 1000.0)
        station.close()
        if p.poll() is None:
            station.stop()
    finally:
        os.close(ino.fd)
        farsim.stop()
        station.stop()
        test_print.cups("stop", cups_dir)
    print(
        f"print dialog OK -> complete PDF (CUPS PDF printer): n={len(took)} median {statistics.median(took):.0f} ms "
        f"(min {min(took):.0f}, max {max(took):.0f})"
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
