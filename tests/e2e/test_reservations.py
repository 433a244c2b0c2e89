"""The reservation list and its selection in the real program: the day's demo
reservations from demogen, the tester online through farsim."""

import shutil
import unittest

from harness import have_demogen, have_exe, have_farsim, lang_text
from road import (CBO, ENQ, LBL_OPERATOR, LBL_VEHICLE, PANEL_STATO, T_ARMED, T_PLACEHOLDER, T_REJECT,
                  T_REJECT_TITLE, TB_FERMA, TB_OPZIONI, RoadCase, demo_reservations,
                  valid_demo)

requires_road = unittest.skipUnless(have_exe and have_farsim and have_demogen,
                                    "heliotab.exe, uidriver.exe, farsim or demogen not built")


@requires_road
class ReservationListTest(RoadCase):
    def test_demo_reservations_are_listed_and_a_valid_one_arms_the_test(self):
        st = self.station
        demo = demo_reservations(st.exchange)
        # Files the list must pass over: another year, a letter among the digits,
        # a nine-character name; a lower-case extension is listed.
        yy = demo[0].name[:2]
        other_year = f"{(int(yy) + 99) % 100:02d}"
        shutil.copy(demo[0].path, st.exchange / f"{other_year}000123.ACC")
        shutil.copy(demo[0].path, st.exchange / f"{yy}00012A.ACC")
        shutil.copy(demo[0].path, st.exchange / f"{yy}0001234.ACC")
        shutil.copy(demo[1].path, st.exchange / f"{yy}000999.acc")

        # farsim leaves the first ENQ unanswered and then stays silent for 5 s.
        self.start_tester(scenario="expect ENQ 60000\nwait 5000\nwait-enq 30000\nwait 600000\n")
        self.start_program()
        self.farsim.wait_received(lambda b: ENQ in b, 60, "the program's first ENQ")
        combo, items = self.combo()
        self.assertEqual(combo["enabled"], "0", "no tester yet: the list is closed")
        self.wait_online()
        combo, items = self.combo()
        self.assertEqual(combo["enabled"], "1")

        self.open_list()
        combo, items = self.combo()
        self.assertEqual(items[0], lang_text(T_PLACEHOLDER))
        expected = sorted([d.item_text for d in demo] + [demo[1].item_text])
        self.assertEqual(sorted(items[1:]), expected, "one entry per reservation of this year, nothing else")
        self.assertIn(" CITRO\u00cbN - C3 - FX123AB", items, "8-bit text as the booking software wrote it")

        # A file taken away by the booking software is gone at the next opening.
        (st.exchange / f"{yy}000999.acc").unlink()
        self.open_list()
        self.assertEqual(sorted(self.combo()[1][1:]), sorted(d.item_text for d in demo))

        bus = valid_demo(demo, "PESANTE", "AUTOBUS")
        self.pick_and_wait_armed(bus)
        self.assertEqual([self.label(i) for i in LBL_VEHICLE], [bus.make, bus.model, bus.plate])
        self.assertEqual(self.label(LBL_OPERATOR), bus.operator)
        combo, _ = self.combo()
        self.assertEqual(combo["enabled"], "0", "the list is closed while a test is armed")
        self.assertEqual(self.driver.toolbar_state(TB_FERMA)["enabled"], "1")
        self.assertEqual(self.driver.toolbar_state(TB_OPZIONI)["enabled"], "0")
        self.assertTrue(bus.path.exists(), "choosing does not consume the reservation")


    def test_invalid_reservations_are_refused_with_one_message(self):
        # The first and the last invalid demo (a pre-check and a mask rule); each
        # rule is the core selection tests' (Selection.EveryInvalidDemoIsRejectedWithOneMessage).
        st = self.station
        demo = demo_reservations(self.work / "demo")
        invalid = [d for d in demo if not d.valid]
        invalid = [invalid[0], invalid[-1]]
        self.start_tester()
        self.start_program()
        self.wait_online()
        before_panel = self.panel(PANEL_STATO)
        for bad in invalid:
            with self.subTest(reservation=repr(bad)):
                for f in st.exchange.iterdir():
                    f.unlink()
                shutil.copy(bad.path, st.exchange / bad.name)
                self.open_list()
                self.assertEqual(self.combo()[1], [lang_text(T_PLACEHOLDER), bad.item_text])
                self.driver.check("combo-select", 1, str(CBO))
                box = self.box()
                self.assert_box(box, T_REJECT_TITLE, lang_text(T_REJECT), "stop")
                self.driver.answer("ok")
                self.assertIsNone(self.driver.message_box(0.3), "exactly one message")
                combo, _ = self.combo()
                self.assertEqual((combo["selected"], combo["enabled"]), ("0", "1"), "back to the placeholder")
                self.assertEqual(self.panel(PANEL_STATO), before_panel)
                self.assertNotEqual(self.panel(PANEL_STATO), lang_text(T_ARMED))
                self.assertEqual([self.label(i) for i in LBL_VEHICLE], ["", "", ""])
                self.assertEqual((st.exchange / bad.name).read_bytes(), bad.data, "the file is left alone")
        # The program still takes a valid one afterwards.
        light = valid_demo(demo, "LEGGERO")
        shutil.copy(light.path, st.exchange / light.name)
        self.pick_and_wait_armed(light)
        self.assertEqual(self.label(LBL_VEHICLE[0]), light.make)


if __name__ == "__main__":
    unittest.main()
