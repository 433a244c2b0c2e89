from harness import COM, ENQ, EOT, LBL_APP, PANEL_PORT, PANEL_STATO, T_SEARCHING, T_SIGNED_OFF
from harness import E2ETestCase, lang_text, poll, requires_road

# One attempt: close, 0.5 s, open, 0.5 s, ENQ, then the 1 s timer; wide bounds for a loaded machine.
ENQ_PERIOD_MS = range(800, 3500)
# farsim leaves ENQs unanswered so that each searching spell can be seen and timed.
SEARCH = "expect ENQ {}0000\nexpect ENQ 10000\nexpect ENQ 10000\nwait-enq 30000\n"
SCENARIO = (
    f"{SEARCH.format(6)}wait 8000\nsend signoff\n"
    f"{SEARCH.format(3)}wait 6000\nfault disconnect 1\nsend status 5\n"
    f"{SEARCH.format(3)}wait 600000\n"
)
IDENTITY = ["FARSIM", "HT-1", "OM12345", "0001", "1.2A", "31/12/2030"]


@requires_road
class LinkTest(E2ETestCase):
    def test_online_signed_off_hung_up_and_back(self):
        far = self.start_tester(scenario=SCENARIO)
        self.start_program()
        self.wait_panel(PANEL_PORT, lang_text(T_SEARCHING))
        self.wait_online()
        controls = self.driver.controls()
        self.assertEqual([controls[str(i)]["title"] for i in LBL_APP], IDENTITY)
        self.wait_panel(PANEL_STATO, lang_text(T_SIGNED_OFF))
        self.wait_panel(PANEL_PORT, lang_text(T_SEARCHING))
        self.wait_online()
        self.wait_panel(PANEL_PORT, lang_text(T_SEARCHING))  # the line hung up
        self.wait_online()  # a new line behind the same COM3

        ids = poll(lambda: far.frames("0")[2:] and far.frames("0"), 10, 0.1, "three identities")
        signoff = far.frames("3")[0]
        enqs = [t for t, b in far.received() if b == ENQ and t < ids[0]["etx"]]
        periods = [round(b - a) for a, b in zip(enqs, enqs[1:])]
        self.assertEqual([p for p in periods if p not in ENQ_PERIOD_MS], [])
        self.assertGreaterEqual(len(periods), 2)
        self.assertEqual(far.rx_after(-1, ids[0]["etx"]), [ENQ] * len(enqs), "only ENQ searching")
        self.assertEqual(far.rx_after(ids[0]["etx"], signoff["etx"]), [], "silence while online")
        self.assertEqual(far.rx_after(signoff["etx"], ids[1]["etx"])[:2], [ENQ, ENQ], "polling")
        # The identity's version ends in a letter: closing says goodbye with EOT.
        self.assertEqual(self.station.close(), 0)
        poll(lambda: far.received_bytes().endswith(bytes([EOT])), 10, 0.1, f"EOT on COM{COM}")
