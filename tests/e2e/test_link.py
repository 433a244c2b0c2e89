from harness import E2ETestCase, lang_text, poll

# One attempt: close, 0.5 s, open, 0.5 s, ENQ, then the 1 s timer; wide bounds for a loaded machine.
ENQ_PERIOD_MS = range(800, 3500)
# farsim leaves ENQs unanswered so that each searching spell can be seen and timed.
SEARCH = "expect ENQ {}0000\nexpect ENQ 10000\nexpect ENQ 10000\nwait-enq 30000\n"
SCENARIO = (
    f"{SEARCH.format(6)}wait 8000\nsend signoff\n"
    f"{SEARCH.format(3)}wait 6000\nfault disconnect 1\nsend status 5\n"
    f"{SEARCH.format(3)}wait 600000\n"
)


class LinkTest(E2ETestCase):
    def test_online_signed_off_hung_up_and_back(self):
        (self.work / "scenario.txt").write_text(SCENARIO)
        far = self.start_tester("--scenario", self.work / "scenario.txt")
        self.start_program()
        searching = lambda: self.wait_panel(1, lang_text(331))
        searching()
        self.wait_online()
        self.assertIn("OM12345", self.driver.texts())  # the identity's serial number
        self.wait_panel(0, lang_text(334))  # signed off
        searching()
        self.wait_online()
        searching()  # the line hung up
        self.wait_online()  # a new line behind the same COM3

        # Searching sends ENQ and nothing else until the first identity, at its own pace.
        identity = next(t for t, kind, _ in far.events() if kind == "tx-etx")
        times = [t for t, _ in far.received() if t < identity]
        self.assertEqual(far.received_bytes()[: len(times)], b"\x05" * len(times))  # ENQ only
        periods = [round(b - a) for a, b in zip(times, times[1:])]
        self.assertEqual([p for p in periods if p not in ENQ_PERIOD_MS], [])
        self.assertGreaterEqual(len(periods), 2)
        # The identity's version ends in a letter: closing says goodbye with EOT.
        self.assertEqual(self.station.close(), 0)
        poll(lambda: far.received_bytes().endswith(b"\x04"), 10, what="EOT")
