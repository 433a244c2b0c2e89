"""The result file's bytes are the core output tests'; here: which files a real run (or a killed one) leaves, and the message."""

import os, shutil, time

from harness import (
    ACK,
    CAN,
    T_DONE,
    T_DONE_TITLE,
    E2ETestCase,
    Inotify,
    lang_text,
    light_reservation,
    MEASURING,
    poll,
    requires_road,
)


def complete(data, operator):
    return (
        data.startswith(b"[ProvaFari]\r\nMarca=FARSIM\r\n")
        and data.count(b"\r\n") == 31
        and data.endswith(f"Operatore={operator}\r\n".encode("cp1252"))
    )


# Kill points: a delay (ms) after the results frame's ETX, or a file event of the hand-over.
KILL_POINTS = [
    ("etx", 0),
    ("etx", 8),
    ("create", ".TMP"),
    ("create", ".FA$"),
    ("close", ".FA$"),
    ("moved", ".FAR"),
    ("delete", ".ACC"),
]
EVENTS = {
    "create": Inotify.IN_CREATE | Inotify.IN_MODIFY,
    "close": Inotify.IN_CLOSE_WRITE,
    "moved": Inotify.IN_MOVED_TO,
    "delete": Inotify.IN_DELETE,
}
ALL_EVENTS = sum(EVENTS.values())


@requires_road
class ResultTest(E2ETestCase):
    def run_test(self, item, far):
        self.start_program()
        self.wait_online()
        self.pick(item)
        self.assert_box(
            T_DONE_TITLE,
            f"{lang_text(T_DONE)} '{self.station.exchange_dos}{far.name}'",
            "information",
        )
        self.driver.answer("ok")
        poll(
            lambda: not [*self.station.dir.glob("*.TMP"), *self.station.exchange.glob("*.FA$")],
            10,
            0.1,
            "no temporary file once the message is closed",
        )

    def test_light_vehicle_whole_test(self):
        st = self.station
        acc, item, operator = light_reservation(st.exchange)
        others = {p.name: p.read_bytes() for p in st.exchange.glob("*.ACC") if p != acc}
        far = self.start_tester(*MEASURING)
        self.run_test(item, acc.with_suffix(".FAR"))
        self.assertTrue(complete(acc.with_suffix(".FAR").read_bytes(), operator))
        self.assertFalse(acc.exists(), "the answered reservation is deleted")
        self.assertEqual({p.name: p.read_bytes() for p in st.exchange.glob("*.ACC")}, others)
        # Each offer before the pick is cancelled; the taken one and its results get one ACK each.
        frames = [f for f in far.frames() if f["status"] in "12"]
        i = [f["status"] for f in frames].index("2")
        self.assertEqual(
            [far.rx_after(a["etx"], b["etx"]) for a, b in zip(frames, frames[1 : i + 1])],
            [[CAN]] * (i - 1) + [[ACK]],
        )
        self.assertEqual(far.rx_after(frames[i]["etx"])[:1], [ACK])

    def wait_kill_point(self, ino, point, stem):
        kind, arg = point
        results = len(self.farsim.frames("2"))
        deadline = time.monotonic() + 40
        while time.monotonic() < deadline:
            for _t, mask, path in ino.read(0.5):
                if (
                    kind == "etx"
                    and path == self.farsim.log_path
                    and len([f for f in self.farsim.frames("2") if f["etx"]]) > results
                ):
                    return time.sleep(arg / 1000.0)
                # A copy left by a round killed before is written over, not created: its first write is the point.
                if kind != "etx" and path.name.upper() == stem + arg and mask & EVENTS[kind]:
                    return
        raise AssertionError(f"kill point {point} not reached")

    def test_killed_during_the_hand_over_leaves_a_whole_result_or_the_reservation(self):
        st = self.station
        res, item, operator = light_reservation(self.work / "demo")
        acc, far = st.exchange / res.name, st.exchange / res.with_suffix(".FAR").name
        self.start_tester(*MEASURING)
        ino = Inotify()
        self.addCleanup(os.close, ino.fd)
        for folder in (st.dir, st.exchange, self.work):
            ino.watch(folder, ALL_EVENTS)
        for point in KILL_POINTS:
            with self.subTest(kill_at=point):
                # The booking software took the last result and booked the vehicle again.
                far.unlink(missing_ok=True)
                acc.exists() or shutil.copy(res, acc)
                p = self.start_program()
                self.wait_online()
                while ino.read(0):
                    pass
                self.pick(item)
                self.wait_kill_point(ino, point, res.stem.upper())
                p.kill()  # the started 'wine' execs the loader that runs heliotab.exe
                p.wait(30)
                poll(
                    lambda: not self.driver.is_running(),
                    30,
                    0.1,
                    "program windows gone after the kill",
                )
                self.assertTrue(far.exists() or acc.exists(), "never neither")
                self.assertTrue(
                    not far.exists() or complete(far.read_bytes(), operator), "never half a result"
                )
                self.assertTrue(not acc.exists() or acc.read_bytes() == res.read_bytes())
        # A clean run afterwards clears whatever the kills left behind.
        far.unlink(missing_ok=True)
        acc.exists() or shutil.copy(res, acc)
        self.run_test(item, far)
        self.assertTrue(complete(far.read_bytes(), operator))
        self.assertFalse(acc.exists())
