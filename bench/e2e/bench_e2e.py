"""End-to-end figures of heliotab.exe under Wine (printed, never judged):

- size of heliotab.exe;
- launch to idle visible main window: from just before the program is started
  until the driver (already watching) sees the visible main window and the
  window's thread answers a message (WaitForInputIdle + WM_NULL); median of N;
- memory of the idle program: the Unix process that hosts heliotab.exe under
  Wine (same pid as the started 'wine' process, which execs the loader).
  RssAnon and the private pages of smaps_rollup are what this copy alone costs
  (heap, stacks, written data); VmRSS also counts Wine's shared libraries.
"""

import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "e2e"))  # the e2e harness

import harness
from harness import DRIVER, EXE, Station, session, test_language


def proc_memory(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "RssAnon", "RssFile", "RssShmem"):
                fields[key] = int(value.split()[0])
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                key, _, value = line.partition(":")
                if key in ("Private_Clean", "Private_Dirty"):
                    fields[key] = int(value.split()[0])
    except OSError:
        pass
    return fields


def launch_once(station, sess):
    watcher = subprocess.Popen(
        ["wine", str(DRIVER), "wait-window", "*", "HELIOTAB", "60000", "--idle"],
        env=sess.env,
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        text=True,
    )
    first = watcher.stdout.readline()  # "waiting ...": the driver is polling now
    if not first.startswith("waiting"):
        raise RuntimeError(f"driver did not start: {first!r}")
    t0 = time.time() * 1000.0
    p = station.start()
    out, _ = watcher.communicate(timeout=120)
    if watcher.returncode != 0:
        raise RuntimeError(f"no window: {out}")
    rec = harness.DriverResult(0, out).first("found")
    visible_ms = float(rec["epoch_ms"]) - t0
    idle_ms = float(rec["idle_epoch_ms"]) - t0
    time.sleep(1.0)  # settle: the idle figure is the program at rest
    cmdline = (
        open(f"/proc/{p.pid}/cmdline", "rb").read().replace(b"\0", b" ").decode(errors="replace")
    )
    mem = proc_memory(p.pid) if "heliotab.exe" in cmdline.lower() else {}
    code = station.close()
    if code is None:
        raise RuntimeError("the program did not close")
    return visible_ms, idle_ms, mem


def main():
    runs = int(os.environ.get("HELIOTAB_BENCH_RUNS", "10"))
    if not EXE.is_file() or not DRIVER.is_file():
        print(f"SKIP: {EXE.name} or {DRIVER.name} not built")
        return 97  # test-all.sh: skipped
    print(f"heliotab.exe size: {EXE.stat().st_size} bytes ({EXE})")
    sess = session()
    station = Station("bench", sess, language=test_language())
    station.write(
        station.settings_path,
        [
            ("Impostazioni", [("Lingua", "Italiano")]),
            ("Percorsi", [("Files .ACC", station.exchange_dos)]),
        ],
    )
    results = []
    try:
        for i in range(runs):
            results.append(launch_once(station, sess))
            v, idle, _ = results[-1]
            print(f"  run {i + 1:2d}: visible {v:7.1f} ms, idle {idle:7.1f} ms")
    finally:
        station.stop()
    visible = [r[0] for r in results]
    idle = [r[1] for r in results]
    print(
        f"launch to visible main window: median {statistics.median(visible):.1f} ms "
        f"(min {min(visible):.1f}, max {max(visible):.1f}, n={len(visible)})"
    )
    print(
        f"launch to idle visible main window: median {statistics.median(idle):.1f} ms "
        f"(min {min(idle):.1f}, max {max(idle):.1f}, n={len(idle)})"
    )
    mem = results[-1][2]
    if mem:
        private = mem.get("Private_Clean", 0) + mem.get("Private_Dirty", 0)
        print(
            f"idle program memory (Wine host process): RssAnon {mem.get('RssAnon')} kB, "
            f"private {private} kB, VmRSS {mem.get('VmRSS')} kB "
            f"(RssFile {mem.get('RssFile')} kB, RssShmem {mem.get('RssShmem')} kB)"
        )
    else:
        print("idle program memory: the started process is not the program's host (not measured)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
