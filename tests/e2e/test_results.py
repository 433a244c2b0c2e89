"""Whole tests with the real program: a reservation picked, farsim measures, the
result file in the exchange directory byte for byte, the reservation consumed."""

import time
import unittest

from harness import have_demogen, have_exe, have_farsim, lang_text, poll
from road import (CBO, T_PLACEHOLDER, ACK, CAN, EOT, IDENTITY, LBL_OPERATOR, LBL_VEHICLE, PANEL_STATO, T_DONE,
                  T_DONE_TITLE, T_RESULTS, TB_TEST, RoadCase, check_far, demo_reservations, expected_far,
                  measurement_args, rx_between, sent_frames, valid_demo, wait_log)

requires_road = unittest.skipUnless(have_exe and have_farsim and have_demogen,
                                    "heliotab.exe, uidriver.exe, farsim or demogen not built")

# The three vehicle classes, each measured by a tester of another frame layout.
LIGHT = {"kind": ("LEGGERO", None), "layout": "short",
         "result": {"aim": list("RRARRRRR"), "lux": ["12.5", "11.0", "60.0", "58.5"], "height": "85", "type": "A"}}
HEAVY = {"kind": ("PESANTE", "AUTOCARRO"), "layout": "long",
         "result": {"aim": list("RRRRRRRR"), "lux": ["3.74", "90", "20", "150"], "height": "110", "type": "B"}}
BUS = {"kind": ("PESANTE", "AUTOBUS"), "layout": "sep",
       "result": {"aim": ["R#", "I", "R", "R", "R", "R", "R", "R"], "lux": ["2.0", "1.5", "7.5", "5.0"],
                  "height": "95", "type": "C", "config": "1"}}


# The demonstration's fixed sample operator.
DEMO_OPERATOR = "DEMO OPERATOR"


def leftovers(station):
    """Temporary and partial files the hand-over must not leave behind."""
    return sorted([p.name for p in station.dir.glob("*") if p.suffix.upper() == ".TMP"] +
                  [p.name for p in station.exchange.glob("*") if p.suffix.upper() == ".FA$"])


@requires_road
class ResultFileTest(RoadCase):
    def whole_test(self, case, expected_esito):
        st = self.station
        demo = demo_reservations(st.exchange)
        res = valid_demo(demo, *case["kind"])
        others = {d.name: d.data for d in demo if d is not res}
        self.start_tester(*measurement_args(case["result"], case["layout"]))
        self.start_program()
        self.wait_online()
        t_pick = time.time()
        self.pick_and_wait_armed(res, measuring=True)

        box = self.box(40)
        t_done = time.time()
        far = st.exchange / (res.name[:-3] + "FAR")
        self.assert_box(box, T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}{far.name}'", "information")
        expected = expected_far(IDENTITY, case["result"], case["layout"], res.operator)
        self.assertEqual(dict(expected)["Esito"], expected_esito, "the case tests what it says")
        check_far(self, far.read_bytes(), expected, t_pick, t_done)
        self.assertFalse(res.path.exists(), "the answered reservation is deleted")
        self.assertEqual(leftovers(st), [])
        self.assertEqual({p.name: p.read_bytes() for p in st.exchange.glob("*.ACC")}, others,
                         "the other reservations are untouched")
        self.driver.answer("ok")

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
        return far

    def test_light_vehicle_short_fixed_layout(self):
        self.whole_test(LIGHT, "A")

    def test_heavy_vehicle_long_fixed_layout(self):
        self.whole_test(HEAVY, "I")

    def test_bus_separated_layout_with_configuration_code(self):
        self.whole_test(BUS, "#R")

    def test_demonstration_test_writes_test_far(self):
        st = self.station
        demo = demo_reservations(st.exchange)
        before = {d.name: d.data for d in demo}
        self.start_tester(*measurement_args(LIGHT["result"], "short"))
        self.start_program(args=["/TEST"])
        self.wait_online()
        t_start = time.time()
        self.driver.click_toolbar(TB_TEST)
        box = self.box(40)
        t_done = time.time()
        self.assert_box(box, T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}Test.FAR'", "information")
        check_far(self, (st.exchange / "Test.FAR").read_bytes(),
                  expected_far(IDENTITY, LIGHT["result"], "short", DEMO_OPERATOR), t_start, t_done)
        self.assertEqual({p.name: p.read_bytes() for p in st.exchange.glob("*.ACC")}, before)
        self.assertEqual(leftovers(st), [])
        self.driver.answer("ok")

    def test_close_after_test_ends_the_program_with_eot(self):
        st = self.station
        demo = demo_reservations(st.exchange)
        res = valid_demo(demo, "LEGGERO")
        self.start_tester(*measurement_args(LIGHT["result"], "short"))
        p = self.start_program(close_after="1")
        self.wait_online()
        t_pick = time.time()
        self.pick_and_wait_armed(res, measuring=True)
        self.assertEqual(st.wait_exit(p, 40), 0, "the program ends by itself after the test")
        t_done = time.time()
        self.assertEqual(self.driver.open_dialogs(), [])
        far = st.exchange / (res.name[:-3] + "FAR")
        check_far(self, far.read_bytes(), expected_far(IDENTITY, LIGHT["result"], "short", res.operator),
                  t_pick, t_done)
        self.assertFalse(res.path.exists())
        self.assertEqual(leftovers(st), [])
        wait_log(self.farsim, "eot", "", 10)
        results = [f for f in sent_frames(self.farsim) if f["status"] == "2"][0]
        self.assertEqual([b for _, b in rx_between(self.farsim, results["etx"])], [ACK, EOT])


if __name__ == "__main__":
    unittest.main()
