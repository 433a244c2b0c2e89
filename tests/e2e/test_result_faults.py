"""The result hand-over when the file system fails it, and when the program dies
in the middle of it: the operator is told, the reservation is kept, and the
booking software never sees half a result file.

Wine runs as root here, and root ignores permission bits, so a read-only or
full folder is made with a real mount (tmpfs, read-only bind mount); a
read-only file is one without write bits, which Wine turns into the DOS
read-only attribute that the program honours.
"""

import os
import shutil
import time
import unittest

from harness import have_demogen, have_exe, have_farsim, lang_text, poll
from road import (T_ARMED, T_DONE, T_DONE_TITLE, T_RES_KEPT, T_WARNING_TITLE, LBL_VEHICLE, PANEL_STATO, T_ACCESS, T_ACCESS_TITLE, T_MEASURING, T_NOT_DELIVERED,
                  T_WRITE, T_WRITE_TITLE, TB_FERMA, TB_OPZIONI, Inotify, RoadCase, check_far, demo_reservations, expected_far,
                  measurement_args, sent_frames, valid_demo, wait_log)
from test_results import leftovers

requires_road = unittest.skipUnless(have_exe and have_farsim and have_demogen,
                                    "heliotab.exe, uidriver.exe, farsim or demogen not built")
requires_root = unittest.skipUnless(os.geteuid() == 0, "mounts need root")


@requires_road
class ResultFaultTest(RoadCase):
    def prepare(self, exchange=None):
        """The day's reservations in the exchange directory; returns the light one."""
        if exchange is not None:
            self.station.exchange = exchange
            exchange.mkdir(parents=True, exist_ok=True)
        demo = demo_reservations(self.work / "demo")
        res = valid_demo(demo, "LEGGERO")
        shutil.copy(res.path, self.station.exchange / res.name)
        return res

    def measure(self, res, inject=None, signoff_after=60000):
        """Picks res; once the tester measures (the results follow 3 s later)
        runs inject(); returns the message box that follows the results."""
        self.start_tester(*measurement_args(signoff_after=signoff_after, result_after=3000))
        self.start_program()
        self.wait_online()
        self.pick(res)
        self.wait_panel(PANEL_STATO, lang_text(T_MEASURING))
        if inject:
            inject()
        return self.box(40)

    def assert_armed_look(self):
        """While the failure message is open the window shows the test armed:
        it can be stopped, and neither the options nor the list are open."""
        self.assertEqual(self.panel(PANEL_STATO), lang_text(T_ARMED))
        self.assertEqual([self.driver.toolbar_state(b)["enabled"] for b in (TB_FERMA, TB_OPZIONI)], ["1", "0"])
        self.assertEqual(self.combo()[0]["enabled"], "0")

    def assert_kept(self, res, folder=None):
        """Nothing delivered, nothing half-written, the reservation kept; the
        message is then answered and the test is still armed."""
        folder = folder or self.station.exchange
        self.assert_armed_look()
        self.assertEqual((folder / res.name).read_bytes(), res.data, "the reservation is kept as it was")
        self.assertFalse((folder / (res.name[:-3] + "FAR")).exists(), "no result file")
        self.assertEqual(leftovers(self.station), [])
        self.assertEqual([p.name for p in folder.glob("*.FA$")], [])
        self.driver.answer("ok")
        self.wait_panel(PANEL_STATO, lang_text(T_ARMED))
        self.assertEqual(self.label(LBL_VEHICLE[0]), res.make, "the test stays armed")
        self.assertEqual(self.driver.toolbar_state(TB_FERMA)["enabled"], "1", "and can be stopped")

    def far_path(self, res):
        return self.station.exchange / (res.name[:-3] + "FAR")

    def test_exchange_directory_gone_then_back(self):
        st = self.station
        res = self.prepare()
        away = st.dir / "DIR_FAR.away"
        box = self.measure(res, lambda: st.exchange.rename(away), signoff_after=1500)
        self.assert_box(box, T_WRITE_TITLE, f"{lang_text(T_NOT_DELIVERED)} '{st.exchange_dos}{self.far_path(res).name}'",
                        "stop")
        self.assertEqual((away / res.name).read_bytes(), res.data, "the reservation is kept as it was")
        self.assertEqual(sorted(p.name for p in away.iterdir()), [res.name], "nothing else written there")
        self.assertEqual(leftovers(st), [])
        self.assertFalse(st.exchange.exists(), "the program does not make the directory itself")
        self.assert_armed_look()

        # The directory comes back: the operator picks the reservation again
        # (the tester signed off meanwhile) and the result is delivered.
        away.rename(st.exchange)
        self.driver.answer("ok")
        wait_log(self.farsim, "tx-frame", "status=3", 30)
        poll(lambda: len([f for f in sent_frames(self.farsim) if f["status"] == "0"]) >= 2, 30, 0.1,
             "the tester announced again")
        poll(lambda: self.combo()[0]["enabled"] == "1", 30, 0.1, "the list open again")
        t_pick = time.time()
        self.pick(res)
        self.assert_box(self.box(40), T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}{self.far_path(res).name}'",
                        "information")
        check_far(self, self.far_path(res).read_bytes(),
                  expected_far(res.operator), t_pick, time.time())
        self.assertFalse((st.exchange / res.name).exists())
        self.driver.answer("ok")
        poll(lambda: leftovers(st) == [], 10, 0.1, "no temporary file once the message is closed")

    def test_read_only_result_file_is_neither_replaced_nor_lost(self):
        res = self.prepare()
        old = b"[ProvaFari]\r\nEsito=vecchio\r\n"
        far = self.far_path(res)
        far.write_bytes(old)
        far.chmod(0o444)
        self.addCleanup(lambda: far.exists() and far.chmod(0o644))
        box = self.measure(res)
        self.assert_box(box, T_ACCESS_TITLE, lang_text(T_ACCESS), "stop")
        self.assertEqual(far.read_bytes(), old, "the old result stays as it was")
        self.assertEqual(far.stat().st_mode & 0o777, 0o444)
        far.chmod(0o644)
        far.unlink()
        self.assert_kept(res)

    def test_read_only_reservation_is_reported_after_delivery(self):
        st = self.station
        res = self.prepare()
        acc = st.exchange / res.name
        acc.chmod(0o444)
        self.addCleanup(lambda: acc.exists() and acc.chmod(0o644))
        t_pick = time.time()
        box = self.measure(res)
        far = self.far_path(res)
        self.assert_box(box, T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}{far.name}'", "information")
        check_far(self, far.read_bytes(), expected_far(res.operator),
                  t_pick, time.time())
        self.driver.answer("ok")
        # The result is delivered; the reservation the program could not delete is named.
        self.assert_box(self.box(10), T_WARNING_TITLE, f"{lang_text(T_RES_KEPT)} '{st.exchange_dos}{res.name}'",
                        "exclamation")
        self.assertEqual(acc.read_bytes(), res.data)
        self.assertEqual(leftovers(st), [])
        self.driver.answer("ok")

    @requires_root
    def test_read_only_exchange_directory(self):
        st = self.station
        exchange = self.work / "ro-exchange"
        self.mount_tmpfs(exchange, 1024)
        res = self.prepare(exchange)
        self.remount(exchange, "ro")
        box = self.measure(res)
        # Wine reports the read-only file system as an access error or as a
        # plain failure; either way the operator gets a stop message.
        self.assertIn((box["title"], box["text"]),
                      [(lang_text(T_ACCESS_TITLE), lang_text(T_ACCESS)),
                       (lang_text(T_WRITE_TITLE), f"{lang_text(T_NOT_DELIVERED)} '{st.exchange_dos}{self.far_path(res).name}'")])
        self.assert_box(box, T_ACCESS_TITLE if box["title"] == lang_text(T_ACCESS_TITLE) else T_WRITE_TITLE,
                        box["text"], "stop")
        print(f"\n  read-only exchange directory: message {box['title']!r}", end=" ")
        self.assert_kept(res)

    @requires_root
    def test_full_exchange_directory(self):
        st = self.station
        exchange = self.work / "full-exchange"
        self.mount_tmpfs(exchange, 256)
        res = self.prepare(exchange)
        # Fill the rest, so the result's copy runs out of space.
        fd = os.open(exchange / "filler.bin", os.O_WRONLY | os.O_CREAT)
        try:
            while os.write(fd, b"\0" * 4096) > 0:
                pass
        except OSError:
            pass
        finally:
            os.close(fd)
        box = self.measure(res)
        self.assert_box(box, T_WRITE_TITLE, f"{lang_text(T_NOT_DELIVERED)} '{st.exchange_dos}{self.far_path(res).name}'",
                        "stop")
        self.assert_kept(res)

    @requires_root
    def test_read_only_program_folder(self):
        st = self.station
        res = self.prepare(self.work / "exchange")
        box = self.measure(res, lambda: self.bind_readonly(st.dir))
        self.assert_box(box, T_WRITE_TITLE, lang_text(T_WRITE), "stop")
        self.assert_kept(res)


# Kill points: after the results frame's ETX (ms), or at a file event of the hand-over.
KILL_POINTS = [("etx", 0), ("etx", 3), ("etx", 8), ("etx", 20), ("create", ".TMP"), ("create", ".FA$"),
               ("close", ".FA$"), ("moved", ".FAR"), ("delete", ".ACC")]


@requires_road
class KilledHandOverTest(RoadCase):
    def wait_kill_point(self, ino, point, res, deadline):
        kind, arg = point
        results = len([f for f in sent_frames(self.farsim) if f["status"] == "2" and f["etx"]])
        while time.monotonic() < deadline:
            for _t, mask, path in ino.read(0.5):
                if kind == "etx":
                    if path.name == self.farsim.log_path.name and \
                            len([f for f in sent_frames(self.farsim) if f["status"] == "2" and f["etx"]]) > results:
                        if arg:
                            time.sleep(arg / 1000.0)
                        return
                    continue
                name = path.name.upper()
                if not name.endswith(arg.upper()) or not name.startswith(res.name[:-4]):
                    continue
                # A copy left by the round before (killed while 602 was open)
                # is written over, not created: its first write is the point.
                if (kind == "create" and mask & (Inotify.IN_CREATE | Inotify.IN_MODIFY)) or \
                        (kind == "close" and mask & Inotify.IN_CLOSE_WRITE) or \
                        (kind == "moved" and mask & Inotify.IN_MOVED_TO) or \
                        (kind == "delete" and mask & Inotify.IN_DELETE):
                    return
        raise AssertionError(f"kill point {point} not reached")

    def test_killed_during_the_hand_over_leaves_no_half_result(self):
        st = self.station
        demo = demo_reservations(self.work / "demo")
        res = valid_demo(demo, "LEGGERO")
        acc, far = st.exchange / res.name, st.exchange / (res.name[:-3] + "FAR")
        expected = expected_far(res.operator)
        self.start_tester(*measurement_args())
        outcomes = []
        for point in KILL_POINTS:
            with self.subTest(kill_at=point):
                # The booking software took the last result and booked the vehicle again.
                if far.exists():
                    far.unlink()
                if not acc.exists():
                    shutil.copy(res.path, acc)
                p = self.start_program()
                self.wait_online()
                ino = Inotify()
                try:
                    ino.watch(st.dir, Inotify.IN_CREATE | Inotify.IN_MODIFY | Inotify.IN_CLOSE_WRITE)
                    ino.watch(st.exchange, Inotify.IN_CREATE | Inotify.IN_CLOSE_WRITE | Inotify.IN_MOVED_TO |
                              Inotify.IN_DELETE)
                    ino.watch(self.work, Inotify.IN_MODIFY)
                    t_pick = time.time()
                    self.pick(res)
                    self.wait_kill_point(ino, point, res, time.monotonic() + 40)
                    self.kill_program()
                finally:
                    ino.close()
                    if p.poll() is None:  # a failed round must not leave its copy running
                        p.kill()
                        p.wait(30)
                        poll(lambda: not self.driver.is_running(), 30, 0.1, "program gone")
                # Whatever the moment: a complete result or none, and never neither.
                if far.exists():
                    check_far(self, far.read_bytes(), expected, t_pick, time.time())
                else:
                    self.assertEqual(acc.read_bytes(), res.data, "no result: the reservation is kept")
                if acc.exists():
                    self.assertEqual(acc.read_bytes(), res.data)
                outcomes.append(f"{point[0]}{point[1]}: " + ("FAR" if far.exists() else "no FAR") +
                                (", ACC kept" if acc.exists() else "") +
                                "".join(f", {n} left" for n in leftovers(st)))
        print("\n  " + "\n  ".join(outcomes), end=" ")

        # A clean run afterwards clears whatever the kills left behind.
        if far.exists():
            far.unlink()
        if not acc.exists():
            shutil.copy(res.path, acc)
        self.start_program()
        self.wait_online()
        t_pick = time.time()
        self.pick(res)
        self.assert_box(self.box(40), T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}{far.name}'", "information")
        check_far(self, far.read_bytes(), expected, t_pick, time.time())
        self.assertFalse(acc.exists())
        self.driver.answer("ok")
        poll(lambda: leftovers(st) == [], 10, 0.1, "no temporary file once the message is closed")


if __name__ == "__main__":
    unittest.main()
