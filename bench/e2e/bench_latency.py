"""Link and hand-over latency of heliotab.exe under Wine (printed, never judged).

1. ETX -> ACK: farsim sends N frames of an unknown status ("5"), which the
   program answers with ACK; farsim's own --stats (time from the write of a
   frame's ETX to the read of the ACK, its monotonic clock) gives median and p99.

2. Results ETX -> complete .FAR under its final name, over M demonstration
   tests (/TEST, toolbar "Test"): the program writes the result beside the
   final name and renames it into place, so the moment the final name appears
   is an inotify IN_MOVED_TO in the exchange directory, read here with
   time.monotonic(). farsim stamps the results frame's ETX with its own
   monotonic clock (ms since its start); the two clocks are tied by marker
   bytes written to the pty's slave end, which farsim logs on arrival (offset
   = our write time - farsim's stamp, the largest of five, taken before and
   after the run to show the drift). Each figure therefore includes the
   frame's transfer over the pty, the program's decoding, the .TMP write and
   fsync, the copy and fsync, and the rename.
"""

import os
import shutil
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "e2e"))  # the e2e harness

import harness
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


def farsim_clock_offset(farsim, rounds=5):
    """monotonic() - farsim's t (ms -> s): a marker byte written to the pty's
    slave is logged by farsim with its own clock; the largest offset is kept."""
    best = None
    fd = os.open(os.path.realpath(farsim.link), os.O_RDWR | os.O_NOCTTY)
    try:
        for _ in range(rounds):
            before = len(farsim.received())
            t0 = time.monotonic()
            os.write(fd, b"~")
            t1 = time.monotonic()
            poll(lambda: len(farsim.received()) > before, 10, 0.01, "marker byte in farsim's log")
            # farsim stamped the byte after reading it, so its stamp maps to >= t0.
            offset = (t0 + t1) / 2 - farsim.received()[before][0] / 1000.0
            best = offset if best is None or offset > best else best
    finally:
        os.close(fd)
    return best


def pct(values, p):
    v = sorted(values)
    k = max(1, min(len(v), -(-len(v) * p // 100)))
    return v[int(k) - 1]


def start_program(station, args=()):
    p = station.start(args)
    station.wait_main_window()
    return p


def wait_online(station):
    want = harness.lang_text(332) + str(COM)
    poll(
        lambda: station.driver.check("status-panel", 1).first("panel")["value"] == want,
        60,
        0.1,
        "online",
    )


def stats_line(farsim):
    for _, kind, rest in farsim.events():
        if kind == "stats":
            return dict(p.split("=", 1) for p in rest.split() if "=" in p)
    return None


def results_etx(farsim):  # when farsim ended each results frame
    status, etx = None, []
    for t, kind, rest in farsim.events():
        if kind == "tx-frame":
            status = rest.split()[0]
        elif kind == "tx-etx" and status == "status=2":
            etx.append(t)
            status = None
    return etx


def etx_ack(sess, station, frames):
    script = "wait-enq 30000\nwait 500\n" + "send status 5\nexpect ACK\n" * frames + "wait 600000\n"
    (station.dir.parent / f"{station.dir.name}-scenario.txt").write_text(script)
    work = station.dir.parent / f"{station.dir.name}-farsim-ack"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir()
    farsim = Farsim(
        sess,
        work,
        COM,
        ["--stats", "--scenario", station.dir.parent / f"{station.dir.name}-scenario.txt"],
    )
    try:
        station.write(station.settings_path, road_settings(station))
        p = start_program(station)
        t0 = time.monotonic()
        poll(
            lambda: sum(1 for _, k, r in farsim.events() if k == "expect" and "ok" in r) >= frames
            or any(k == "expect-fail" for _, k, _ in farsim.events()),
            60 + frames,
            0.2,
            "frames answered",
        )
        took = time.monotonic() - t0
        station.close()
        if p.poll() is None:
            station.stop()
    finally:
        farsim.stop()
    fails = [r for _, k, r in farsim.events() if k == "expect-fail"]
    return stats_line(farsim), fails, took


def far_latency(sess, station, tests):
    work = station.dir.parent / f"{station.dir.name}-farsim-far"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir()
    farsim = Farsim(
        sess,
        work,
        COM,
        [
            "--stats",
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
    moves = []
    try:
        offset_before = farsim_clock_offset(farsim)
        station.write(station.settings_path, road_settings(station))
        p = start_program(station, ["/TEST"])
        wait_online(station)
        ino.watch(station.exchange, Inotify.IN_MOVED_TO)
        for i in range(tests):
            station.driver.check("click-toolbar", TB_TEST)
            deadline = time.monotonic() + 30
            got = None
            while got is None and time.monotonic() < deadline:
                for t, mask, path in ino.read(1.0):
                    if path.name == "Test.FAR":
                        got = t
            if got is None:
                raise RuntimeError(f"test {i + 1}: no Test.FAR")
            moves.append(got)
            station.driver.check("message-box", "answer", "ok", 20000, timeout=20)
        station.close()
        if p.poll() is None:
            station.stop()
        offset_after = farsim_clock_offset(farsim)
    finally:
        os.close(ino.fd)
        farsim.stop()
    results = results_etx(farsim)
    if len(results) != len(moves):
        raise RuntimeError(f"{len(results)} results frames but {len(moves)} result files")
    offset = offset_before
    latencies = [(m - (e / 1000.0 + offset)) * 1000.0 for e, m in zip(results, moves)]
    return latencies, offset_before, offset_after, stats_line(farsim)


def main():
    frames = int(os.environ.get("HELIOTAB_BENCH_FRAMES", "250"))
    tests = int(os.environ.get("HELIOTAB_BENCH_TESTS", "100"))
    if not EXE.is_file() or not DRIVER.is_file() or not FARSIM.is_file():
        print(f"SKIP: {EXE.name}, {DRIVER.name} or farsim not built")
        return 97
    sess = session()
    station = Station("bench-latency", sess, language=test_language())
    try:
        stats, fails, took = etx_ack(sess, station, frames)
        if stats:
            print(
                f"ETX->ACK (farsim --stats, status-5 frames): n={stats['count']} median {stats['median']} ms, "
                f"p99 {stats['p99']} ms ({took:.1f} s for {frames} frames)"
            )
        else:
            print("ETX->ACK: farsim printed no stats")
        if fails:
            print(f"  note: {len(fails)} frames not answered with ACK: {fails[:3]}")

        lat, off0, off1, stats2 = far_latency(sess, station, tests)
        print(
            f"results ETX -> complete Test.FAR under its final name: n={len(lat)} "
            f"median {statistics.median(lat):.2f} ms, p99 {pct(lat, 99):.2f} ms "
            f"(min {min(lat):.2f}, max {max(lat):.2f}; clock tie drift {abs(off1 - off0) * 1000:.3f} ms)"
        )
        if stats2:
            print(
                f"ETX->ACK during those tests (status 1 and 2): n={stats2['count']} median {stats2['median']} ms, "
                f"p99 {stats2['p99']} ms"
            )
    finally:
        station.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
