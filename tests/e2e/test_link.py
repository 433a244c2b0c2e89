"""The serial link to the tester with the real program: what goes on the wire and
when, read from farsim's timestamped byte log."""

import os
import time
import unittest

from harness import have_demogen, have_exe, have_farsim, lang_text, poll
from road import (ACK, CAN, ENQ, EOT, LBL_APP, LBL_OPERATOR, LBL_VEHICLE, NAK, PANEL_PORT, PANEL_STATO,
                  T_ARMED, T_BAD_FRAMES, T_BAD_FRAMES_TITLE, T_ONLINE_PORT, T_SEARCHING, T_SIGNED_OFF,
                  T_STOP_TITLE, T_STOPPED, TB_FERMA, RoadCase, demo_reservations, rx_between, sent_frames, valid_demo,
                  wait_log, COM)

requires_road = unittest.skipUnless(have_exe and have_farsim and have_demogen,
                                    "heliotab.exe, uidriver.exe, farsim or demogen not built")

# Bounds on the wire (ms), wide enough for a loaded machine: the program
# re-opens the port and sends ENQ once per attempt (close, 0.5 s, open, 0.5 s,
# ENQ, then the 1 s timer), and NAKs a bad frame 0.5 s after it.
ENQ_PERIOD = (800, 3500)
NAK_DELAY = (400, 1500)


@requires_road
class LinkTest(RoadCase):
    def cue(self, n):
        """Lets farsim's scenario go on from its n-th wait for a cue: an ACK
        written on the program's side of the line, once farsim waits for it."""
        poll(lambda: sum(k == "expect" and "want=NONE" in r for _, k, r in self.farsim.events()) >= n,
             30, 0.1, f"farsim waiting for cue {n}")
        fd = os.open(self.farsim.pty, os.O_RDWR | os.O_NOCTTY)
        try:
            os.write(fd, bytes([ACK]))
        finally:
            os.close(fd)

    def enq_times(self, t_from=-1.0, t_to=float("inf")):
        return [t for t, b in rx_between(self.farsim, t_from, t_to) if b == ENQ]

    def test_enq_polling_until_identity_then_silence(self):
        # farsim leaves the first three ENQs unanswered, so their period can be measured.
        self.start_tester(scenario="expect ENQ 60000\nexpect ENQ 10000\nexpect ENQ 10000\n"
                                   "wait-enq 30000\nwait 600000\n")
        self.start_program()
        labels = self.wait_online()
        self.assertEqual(labels, ["FARSIM", "HT-1", "OM12345", "0001", "1.2A", "31/12/2030"])
        self.assertEqual(self.panel(PANEL_PORT), lang_text(T_ONLINE_PORT) + str(COM))
        self.assertEqual(self.panel(PANEL_STATO), "")
        self.assertEqual(self.combo()[0]["enabled"], "1")

        identity = [f for f in sent_frames(self.farsim) if f["status"] == "0"]
        self.assertEqual(len(identity), 1)
        t_identity = identity[0]["etx"]
        time.sleep(3.5)  # listening window: no ENQ for well over one polling period
        enqs = self.enq_times(t_to=t_identity)
        self.assertGreaterEqual(len(enqs), 3, f"ENQs before the identity: {enqs}")
        periods = [b - a for a, b in zip(enqs, enqs[1:])]
        for p in periods:
            self.assertTrue(ENQ_PERIOD[0] <= p <= ENQ_PERIOD[1], f"ENQ periods {periods} ms")
        print(f"\n  ENQ period while searching: {', '.join(f'{p:.0f}' for p in periods)} ms", end=" ")
        self.assertEqual(self.enq_times(t_from=t_identity), [], "no ENQ once the tester is online")
        self.assertEqual(bytes(b for _, b in rx_between(self.farsim, -1)), bytes([ENQ] * len(enqs)),
                         "nothing but ENQ before the identity, nothing after it")

    def test_three_naks_half_a_second_late_then_a_message(self):
        # Four bad frames in a row, two more while the message is open, and
        # once it is closed one more, which is resent good.
        self.start_tester("--max-resend", 3, scenario="""
wait-enq 30000
wait 1500
fault checksum 4
send status 5
expect NONE 3000
fault checksum 2
send status 5
expect NONE 3000
send status 5
expect NONE 3000
wait 8000
fault checksum 1
send status 5
expect ACK
wait 600000
""")
        self.start_program()
        self.wait_online()
        box = self.box(40)
        self.assert_box(box, T_BAD_FRAMES_TITLE, lang_text(T_BAD_FRAMES), "stop")
        poll(lambda: len([1 for _, k, rest in self.farsim.events() if k == "answer" and "status=5 got=NONE" in rest])
             >= 3, 30, 0.1, "the frames sent while the message is open answered")
        self.assertEqual(len(self.driver.open_dialogs()), 1, "one message, not one per bad frame")
        self.driver.answer("ok")
        wait_log(self.farsim, "answer", "status=5 got=ACK", 30)

        bad = [f for f in sent_frames(self.farsim) if f["status"] == "5"]
        self.assertEqual([f["fault"] for f in bad], ["checksum"] * 7 + ["none"], bad)
        etx = [f["etx"] for f in bad]
        naks = [t for t, b in rx_between(self.farsim, etx[0]) if b == NAK]
        self.assertEqual(len(naks), 4, f"NAKs at {naks}, frames at {etx}")
        delays = [naks[i] - etx[i] for i in range(3)] + [naks[3] - etx[6]]
        for d in delays:
            self.assertTrue(NAK_DELAY[0] <= d <= NAK_DELAY[1], f"NAK delays {delays} ms")
        print(f"\n  NAK after its frame: {', '.join(f'{d:.0f}' for d in delays)} ms", end=" ")
        # The fourth bad frame in a row gets nothing, nor do those handled
        # while the message is open; the count starts again after it.
        self.assertEqual(rx_between(self.farsim, etx[3], etx[6]), [])
        self.assertEqual([b for _, b in rx_between(self.farsim, etx[6])], [NAK, ACK])

    def test_unarmed_measurement_and_close_with_a_letter_version(self):
        # (a version ending in a digit gets neither byte: the core link tests own that rule)
        self.start_tester("--measure-after", 300, version="1.2A")
        p = self.start_program()
        self.assertEqual(self.wait_online()[4], "1.2A")
        wait_log(self.farsim, "answer", "status=1", 30)
        offer = [f for f in sent_frames(self.farsim) if f["status"] == "1"][0]
        after_offer = lambda: [b for _, b in rx_between(self.farsim, offer["etx"])]
        self.assertEqual(after_offer(), [CAN], "a measurement nobody armed is cancelled")
        self.assertNotEqual(self.panel(PANEL_STATO), lang_text(T_ARMED))
        self.assertEqual(self.close_program(), 0)
        self.assertIsNotNone(p.poll())
        poll(lambda: after_offer() == [CAN, EOT], 10, 0.05, "closing says goodbye with EOT")

    def test_ferma_cancels_the_armed_test(self):
        demo = demo_reservations(self.station.exchange)
        light = valid_demo(demo, "LEGGERO")
        self.start_tester()
        self.start_program()
        self.wait_online()
        self.pick_and_wait_armed(light)
        t0 = self.farsim.events()[-1][0]

        self.driver.click_toolbar(TB_FERMA)
        self.box()
        self.driver.answer("no")
        time.sleep(1.0)  # listening window: a CAN would have arrived by now
        self.assertEqual(rx_between(self.farsim, t0), [], "declined: nothing sent")
        self.assertEqual(self.panel(PANEL_STATO), lang_text(T_ARMED))
        self.assertEqual(self.label(LBL_VEHICLE[0]), light.make)

        self.driver.click_toolbar(TB_FERMA)
        box = self.box()
        self.assertEqual((box["title"], box["buttons"], box["icon"]), (lang_text(T_STOP_TITLE), "yes,no", "question"))
        self.driver.answer("yes")
        self.farsim.wait_received(lambda b: CAN in b, 20, "CAN after Ferma")
        self.assertEqual([b for _, b in rx_between(self.farsim, t0)], [CAN])
        self.wait_panel(PANEL_STATO, lang_text(T_STOPPED))
        self.assertEqual([self.label(i) for i in (*LBL_VEHICLE, LBL_OPERATOR)], ["", "", "", ""])
        self.assertEqual((self.combo()[0]["enabled"], self.driver.toolbar_state(TB_FERMA)["enabled"]), ("1", "0"))
        self.assertTrue(light.path.exists(), "the reservation still waits")
        self.assert_keys_reach_the_list()

    def test_sign_off_resets_the_window_and_resumes_polling(self):
        demo = demo_reservations(self.station.exchange)
        heavy = valid_demo(demo, "PESANTE", "AUTOCARRO")
        # farsim goes on at the test's cues: an identity while the test is armed, then the sign-off.
        self.start_tester(scenario="wait-enq 30000\nexpect NONE\nexpect ACK 120000\nsend identity\n"
                                   "expect NONE\nexpect ACK 120000\nsend signoff\nwait 600000\n")
        self.start_program()
        self.wait_online()
        self.pick_and_wait_armed(heavy)
        self.cue(1)
        # The identity empties the state panel but keeps the armed test.
        self.wait_panel(PANEL_STATO, "")
        self.assertEqual(self.label(LBL_VEHICLE[0]), heavy.make)
        self.assertEqual(self.driver.toolbar_state(TB_FERMA)["enabled"], "1")
        self.cue(2)

        self.wait_panel(PANEL_STATO, lang_text(T_SIGNED_OFF), 40)
        signoff = [f for f in sent_frames(self.farsim) if f["status"] == "3"][0]
        self.assertEqual(self.panel(PANEL_PORT), lang_text(T_SEARCHING))
        self.assertEqual([self.label(i) for i in (*LBL_VEHICLE, LBL_OPERATOR, *LBL_APP)], [""] * 10)
        self.assertEqual(self.combo()[0]["enabled"], "0")
        enqs = []

        def two_enqs():
            nonlocal enqs
            enqs = [t for t, b in rx_between(self.farsim, signoff["etx"]) if b == ENQ]
            return len(enqs) >= 2
        poll(two_enqs, 20, 0.1, "ENQ polling after the sign-off")
        first = enqs[0] - signoff["etx"]
        self.assertTrue(300 <= first <= 4000, f"first ENQ {first:.0f} ms after the sign-off")
        self.assertTrue(ENQ_PERIOD[0] <= enqs[1] - enqs[0] <= ENQ_PERIOD[1], enqs)
        self.assertEqual([b for _, b in rx_between(self.farsim, signoff["etx"])][:2], [ENQ, ENQ],
                         "nothing but ENQ after the sign-off")
        self.assertTrue(heavy.path.exists())


if __name__ == "__main__":
    unittest.main()
