from harness import E2ETestCase, lang_text, poll, test_language

# src/res/resource.h
CHK_CHIUDI, CBO_LANGUAGE, LBL_COMPORT = 1308, 1312, 1314
CMD_SCANSIONE, CMD_CONFERMA, CMD_ANNULLA = range(1315, 1318)
WM_KEYDOWN, VK_ESCAPE = 0x100, 0x1B
# Ways out of the dialog that keep what it had before; the close comes while the scan runs.
LEAVES = {
    "Annulla": lambda t: t.d("click", CMD_ANNULLA),
    "Esc": lambda t: t.d("post", WM_KEYDOWN, VK_ESCAPE, 0),
    "closed while scanning": lambda t: [t.d("click", CMD_SCANSIONE), t.d("close")],
}


class OptionsDialogTest(E2ETestCase):
    language = test_language("Italiano") + test_language("English")

    def setUp(self):
        super().setUp()
        # Every port the scan may open is ours or absent: the prefix's own com1 is never touched.
        for n in range(1, 17):
            self.station.session.link_com(n)
        # Another class of tester, a silent port, then the tester.
        self.sims = {
            1: self.start_tester("--class", "XYZ", com=1),
            2: self.start_tester("--silent", com=2),
            3: self.start_tester(com=3),
        }
        self.acc = b"[Percorsi]\r\nFiles .ACC=" + self.station.exchange_dos.encode() + b"\r\n"
        self.before = b"[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=0\r\n" + self.acc
        self.station.settings_path.write_bytes(self.before)

    def d(self, *args):
        return self.driver.check("--window", self.dialog, *args)

    def open_dialog(self):
        self.driver.check("click-toolbar", 1103)
        self.dialog = self.driver.wait_dialog(lang_text(401))  # 401: the dialog's title

    def control(self, cid):
        return self.driver.controls("--window", self.dialog)[str(cid)]

    def enabled(self, cid):
        return self.control(cid)["enabled"] == "1"

    def closed(self):
        poll(lambda: not self.driver.open_dialogs(), 30, what="dialog closed")

    def test_scan_finds_the_tester_and_confirm_saves(self):
        self.station.start_and_wait()
        for name, leave in LEAVES.items():
            with self.subTest(name):
                self.open_dialog()
                self.d("click", CHK_CHIUDI)
                self.d("combo-select", 1, CBO_LANGUAGE)
                poll(lambda: self.enabled(CMD_CONFERMA), 10, what="something to confirm")
                leave(self)
                self.closed()
                self.assertEqual(self.station.settings_path.read_bytes(), self.before)
        # The scan closed with the dialog had not reached the tester, and it let its ports go:
        # the next one finds the tester.
        self.assertNotIn(b"\x06", self.sims[3].received_bytes())
        self.open_dialog()
        self.d("click", CHK_CHIUDI)
        self.d("click", CMD_SCANSIONE)
        found = lambda: self.control(LBL_COMPORT)["title"] == lang_text(412) + "3"
        poll(found, 30, what="COM3 found")
        self.d("combo-select", 1, CBO_LANGUAGE)
        poll(lambda: self.enabled(CMD_SCANSIONE), 10, what="scan over")
        self.d("click", CMD_CONFERMA)
        self.closed()
        self.assertEqual(
            self.station.settings_path.read_bytes(),
            b"[Impostazioni]\r\nLingua=English\r\nPorta Seriale=3\r\nPrimo Piano=0\r\n"
            b"Chiudi dopo test=1\r\nChiudi con Esc=1\r\nStampa report=0\r\n" + self.acc,
        )
        # The main window speaks English, and its search starts again at once on the port found.
        self.assertIn(lang_text(302, "English"), self.driver.texts())
        self.wait_online("English")
