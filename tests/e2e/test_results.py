"""Whole tests with the real program: a reservation picked, farsim measures, the
result file in the exchange directory byte for byte, the reservation consumed.
One vehicle class here; the core road tests own each class, layout and verdict."""

import time
import unittest

from harness import have_demogen, have_exe, have_farsim, lang_text, poll
from road import (CBO, T_PLACEHOLDER, ACK, CAN, EOT, LBL_OPERATOR, LBL_VEHICLE, PANEL_STATO, T_DONE,
                  T_DONE_TITLE, T_RESULTS, TB_TEST, RoadCase, check_far, demo_reservations, expected_far,
                  measurement_args, rx_between, sent_frames, valid_demo, wait_log)

requires_road = unittest.skipUnless(have_exe and have_farsim and have_demogen,
                                    "heliotab.exe, uidriver.exe, farsim or demogen not built")

# The demonstration's fixed sample operator.
DEMO_OPERATOR = "DEMO OPERATOR"


def leftovers(station):
    """Temporary and partial files the hand-over must not leave behind."""
    return sorted([p.name for p in station.dir.glob("*") if p.suffix.upper() == ".TMP"] +
                  [p.name for p in station.exchange.glob("*") if p.suffix.upper() == ".FA$"])


@requires_road
class ResultFileTest(RoadCase):
    def test_light_vehicle_whole_test(self):
        st = self.station
        demo = demo_reservations(st.exchange)
        res = valid_demo(demo, "LEGGERO")
        others = {d.name: d.data for d in demo if d is not res}
        self.start_tester(*measurement_args())
        self.start_program()
        self.wait_online()
        t_pick = time.time()
        self.pick_and_wait_armed(res, measuring=True)

        box = self.box(40)
        t_done = time.time()
        far = st.exchange / (res.name[:-3] + "FAR")
        self.assert_box(box, T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}{far.name}'", "information")
        check_far(self, far.read_bytes(), expected_far(res.operator), t_pick, t_done)
        self.assertFalse(res.path.exists(), "the answered reservation is deleted")
        self.assertEqual({p.name: p.read_bytes() for p in st.exchange.glob("*.ACC")}, others,
                         "the other reservations are untouched")
        self.driver.answer("ok")
        poll(lambda: leftovers(st) == [], 10, 0.1, "no temporary file once the message is closed")

        # Idle look again; the tester got exactly one ACK per frame of the test.
        self.assertEqual(self.panel(PANEL_STATO), lang_text(T_RESULTS))
        self.assertEqual([self.label(i) for i in (*LBL_VEHICLE, LBL_OPERATOR)], ["", "", "", ""])
        combo = self.driver.check("combo-get", CBO).first("combo")
        self.assertEqual(combo["text"], lang_text(T_PLACEHOLDER))
        self.assertEqual(self.combo()[0]["enabled"], "1", "the next reservation can be picked")
        frames = sent_frames(self.farsim)
        results = [f for f in frames if f["status"] == "2"]
        self.assertEqual(len(results), 1)
        accepted = [f for f in frames if f["status"] == "1" and f["etx"] < results[0]["etx"]][-1]
        self.assertEqual([b for _, b in rx_between(self.farsim, accepted["etx"], results[0]["etx"])], [ACK])
        self.assertEqual([b for _, b in rx_between(self.farsim, results[0]["etx"])][:1], [ACK])
        self.assertTrue(all(b in (ACK, CAN) for _, b in rx_between(self.farsim, results[0]["etx"])))
        self.assert_keys_reach_the_list()

    def test_demonstration_test_writes_test_far(self):
        st = self.station
        demo = demo_reservations(st.exchange)
        before = {d.name: d.data for d in demo}
        self.start_tester(*measurement_args())
        self.start_program(args=["/TEST"])
        self.wait_online()
        self.driver.click_toolbar(TB_TEST)
        box = self.box(40)
        self.assert_box(box, T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}Test.FAR'", "information")
        self.assertIn(f"Operatore={DEMO_OPERATOR}\r\n".encode(), (st.exchange / "Test.FAR").read_bytes())
        self.assertEqual({p.name: p.read_bytes() for p in st.exchange.glob("*.ACC")}, before)
        self.driver.answer("ok")
        poll(lambda: leftovers(st) == [], 10, 0.1, "no temporary file once the message is closed")

    def test_close_after_test_ends_the_program_with_eot(self):
        st = self.station
        demo = demo_reservations(st.exchange)
        res = valid_demo(demo, "LEGGERO")
        self.start_tester(*measurement_args())
        p = self.start_program(close_after="1")
        self.wait_online()
        self.pick(res)  # (the test may be over before the armed look could be read)
        self.assertEqual(st.wait_exit(p, 40), 0, "the program ends by itself after the test")
        self.assertEqual(self.driver.open_dialogs(), [])
        self.assertTrue((st.exchange / (res.name[:-3] + "FAR")).exists(), "delivered before it ends")
        self.assertFalse(res.path.exists())
        self.assertEqual(leftovers(st), [])
        wait_log(self.farsim, "eot", "", 10)
        results = [f for f in sent_frames(self.farsim) if f["status"] == "2"][0]
        self.assertEqual([b for _, b in rx_between(self.farsim, results["etx"])], [ACK, EOT])


if __name__ == "__main__":
    unittest.main()
