"""One whole headlight test through the real program: the simulated tester on COM3,
a reservation chosen in the list, the result file in the exchange directory, and
the control bytes the program put on the wire."""

import subprocess
import time
import unittest

from harness import DEMOGEN, E2ETestCase, Farsim, have_demogen, lang_text, poll, requires_exe, requires_farsim

ENQ, ACK, NAK, CAN, EOT = 0x05, 0x06, 0x15, 0x18, 0x04
CONTROL_BYTES = {ENQ, ACK, NAK, CAN, EOT}
RESERVATION = "26000101"   # demogen's first valid reservation (a light vehicle)

FAR_KEYS = [
    "Marca", "Tipo", "NumOmologa", "NumSerie", "NumVersioneSoftware", "DataScadenza", "AltezzaAnab",
    "TipoAnab", "VertAnabDx", "VertAnabSx", "VertAbbDx", "VertAbbSx", "OrizzAnabDx", "OrizzAnabSx",
    "OrizzAbbDx", "OrizzAbbSx", "IllumLuxAnabDx", "IllumLuxAnabSx", "IllumLuxAbbDx", "IllumLuxAbbSx",
    "EsitoIllumLuxAnabDx", "EsitoIllumLuxAnabSx", "EsitoIllumLuxAbbDx", "EsitoIllumLuxAbbSx", "Esito",
    "CodErrore", "DataMisura", "InizioMisura", "FineMisura", "Operatore",
]


@requires_exe
@requires_farsim
@unittest.skipUnless(have_demogen, f"{DEMOGEN} not built")
class ExchangeBase(E2ETestCase):
    """A station with one valid reservation of today and the simulator on COM3."""

    farsim_args = []

    def setUp(self):
        super().setUp()
        st = self.station
        subprocess.run([str(DEMOGEN), str(st.exchange)], check=True, capture_output=True, timeout=60)
        for f in st.exchange.iterdir():
            if f.stem != RESERVATION:
                f.unlink()
        # The program's port is COM3.
        sim_dir = st.dir.parent / f"{st.dir.name}-farsim"
        sim_dir.mkdir(parents=True, exist_ok=True)
        self.farsim = Farsim(st.session, sim_dir, com=3, args=self.farsim_args)
        self.addCleanup(self.farsim.stop)
        st.write_settings([("Impostazioni", [("Lingua", "Italiano"), ("Porta Seriale", "3"), ("Chiudi con Esc", "1")]),
                           ("Percorsi", [("Files .ACC", st.exchange_dos)])])

    def wait_online(self):
        def enabled():
            combo = self.driver.run("combo-items").first("combo")
            return combo and combo["enabled"] == "1"
        poll(enabled, 60, 0.25, "reservation list enabled (tester online)")

    def choose_reservation(self):
        self.driver.check("combo-dropdown")

        def first_reservation():
            # The list opens with the prompt entry (text 303), then the reservations.
            _, items = self.driver.combo_items()
            return next((i for i, text in enumerate(items) if text != lang_text(303)), None)
        index = poll(lambda: (first_reservation(),) if first_reservation() is not None else None,
                     30, 0.25, "reservation in the list")[0]
        self.driver.check("combo-select", index)

    def latencies(self):
        """ETX of each frame the simulator sent -> the program's next answer byte (ms)."""
        out, pending = [], None
        for t, kind, rest in self.farsim.events():
            if kind == "tx-etx":
                pending = t
            elif kind == "rx" and pending is not None:
                out.append((int(rest.split()[0], 16), t - pending))
                pending = None
        return out



class ExchangeTest(ExchangeBase):
    # The simulator offers a measurement again and again until the program takes it.
    farsim_args = ["--demo", "--demo-interval", "1500"]

    def test_one_whole_test_writes_the_result_and_answers_every_frame(self):
        st = self.station
        day_before = time.strftime("%d%m%Y")
        st.start_and_wait()
        self.wait_online()
        self.assertEqual(self.farsim.received_bytes()[:1], bytes([ENQ]), "the program wakes the tester with ENQ")
        self.assertIn("FARSIM", self.driver.texts(), "the tester's make is shown")

        self.choose_reservation()
        box = self.driver.message_box(90)
        self.assertIsNotNone(box, "the operator is told that the result was written")
        self.assertEqual((box["icon"], box["buttons"]), ("information", "ok"))
        far = st.exchange / f"{RESERVATION}.FAR"
        self.assertTrue(far.exists(), "result file in the exchange directory")
        self.driver.answer("ok")

        data = far.read_bytes()
        lines = data.split(b"\r\n")
        self.assertEqual(lines[-1], b"", "the file ends with CR LF")
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "CR LF line ends only")
        self.assertEqual(lines[0], b"[ProvaFari]")
        pairs = [line.decode("cp1252").split("=", 1) for line in lines[1:-1]]
        self.assertEqual([k for k, _ in pairs], FAR_KEYS)
        values = dict(pairs)
        self.assertEqual((values["Marca"], values["NumVersioneSoftware"]), ("FARSIM", "1.2A"))
        self.assertEqual(values["CodErrore"], "")
        self.assertIn(values["DataMisura"], {day_before, time.strftime("%d%m%Y")})
        for key in ("InizioMisura", "FineMisura"):
            self.assertRegex(values[key], r"^[0-2][0-9][0-5][0-9][0-5][0-9]$")
        self.assertLessEqual(values["InizioMisura"], values["FineMisura"])
        self.assertTrue(values["Operatore"])
        self.assertFalse((st.exchange / f"{RESERVATION}.ACC").exists(), "the answered reservation is deleted")
        self.assertEqual(sorted(p.name for p in st.exchange.iterdir()), [f"{RESERVATION}.FAR"])

        # The wire: only single control characters, each frame answered promptly.
        received = self.farsim.received_bytes()
        self.assertLessEqual(set(received), CONTROL_BYTES, received.hex())
        answers = self.latencies()
        acks = [ms for b, ms in answers if b == ACK]
        self.assertGreaterEqual(len(acks), 2, f"status 1 and 2 acknowledged: {answers}")
        self.assertLess(max(acks), 1000, f"ETX -> ACK within a second: {answers}")

        # Closing: EOT for a tester whose software version ends in a letter.
        self.assertEqual(st.close(), 0)
        self.farsim.wait_received(lambda b: b.endswith(bytes([EOT])), 20, "EOT when the program closes")



class ArmedTestCloseTest(ExchangeBase):
    """A test armed and waiting for the tester: closing asks the operator first."""

    farsim_args = []  # online, but never starts a measurement of its own

    def test_esc_with_an_armed_test_asks_before_closing(self):
        st = self.station
        p, _, _ = st.start_and_wait()
        self.wait_online()
        self.choose_reservation()
        poll(lambda: self.driver.status_panels()[0] == lang_text(338), 60, 0.25, "test armed")
        before = self.farsim.received_bytes()

        self.driver.key("esc")
        box = self.driver.message_box(30)
        self.assertIsNotNone(box, "the stop question")
        self.assertEqual((box["title"], box["text"], box["icon"], box["buttons"]),
                         (lang_text(363), lang_text(364), "question", "yes,no"))
        self.driver.answer("no")
        self.assertIsNone(st.wait_exit(p, 3), "No keeps the program open")
        self.assertEqual(self.driver.status_panels()[0], lang_text(338), "and the test armed")
        self.assertEqual(self.farsim.received_bytes(), before, "nothing sent to the tester")

        self.driver.key("esc")
        self.assertIsNotNone(self.driver.message_box(30))
        self.driver.answer("yes")
        self.assertEqual(st.wait_exit(p), 0)
        # CAN stops the test (the version ends in a letter), then EOT as the port closes.
        self.farsim.wait_received(lambda b: b[len(before):] == bytes([CAN, EOT]), 20, "CAN then EOT")


if __name__ == "__main__":
    unittest.main()
