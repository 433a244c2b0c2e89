import unittest

from harness import (
    FARSIM,
    PANEL_PORT,
    TB_OPZIONI,
    T_ONLINE_PORT,
    E2ETestCase,
    Farsim,
    ini_bytes,
    lang_text,
    poll,
    requires_exe,
    test_language,
)

DIALOG = "#32770"
CHK_CHIUDI, CBO_LANGUAGE, LBL_COMPORT, CMD_SCANSIONE, CMD_CONFERMA = 1308, 1312, 1314, 1315, 1316
T_OPTIONS, T_FOUND, T_NO_PORT = 401, 412, 414


@requires_exe
@unittest.skipUnless(FARSIM.is_file(), "farsim not built")
class OptionsDialogTest(E2ETestCase):
    language = ini_bytes(test_language("Italiano") + test_language("English"))

    def setUp(self):
        super().setUp()
        sess = self.station.session
        # Every port the scan may open is ours or absent: the prefix's own com1 is never touched.
        for n in range(1, 17):
            sess.unlink_com(n)
        self.sims = {
            n: Farsim(sess, self.work, com=n, args=args)
            for n, args in ((1, ["--class", "XYZ"]), (2, ["--silent"]), (3, []))
        }
        for sim in self.sims.values():
            self.addCleanup(sim.stop)
        self.station.settings_path.write_bytes(
            b"[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=0\r\n[Percorsi]\r\nFiles .ACC="
            + self.station.exchange_dos.encode()
            + b"\r\n"
        )

    def d(self, *args):
        return self.driver.check("--window", self.dialog, *args)

    def open_dialog(self):
        self.driver.check("click-toolbar", TB_OPZIONI)
        self.dialog = self.driver.check(
            "wait-window", DIALOG, lang_text(T_OPTIONS), 30000, "--visible", timeout=30
        ).first("found")["hwnd"]

    def enabled(self, cid):
        return self.driver.control(cid, "--window", self.dialog)["enabled"] == "1"

    def test_scan_finds_the_tester_and_confirm_saves(self):
        self.station.start_and_wait()
        self.open_dialog()
        self.assertFalse(self.enabled(CMD_CONFERMA))
        self.assertEqual(
            self.driver.control(LBL_COMPORT, "--window", self.dialog)["title"], lang_text(T_NO_PORT)
        )
        self.d("click", CHK_CHIUDI)
        self.d("click", CMD_SCANSIONE)
        found = lang_text(T_FOUND) + "3"
        poll(
            lambda: self.driver.control(LBL_COMPORT, "--window", self.dialog)["title"] == found,
            30,
            0.2,
            found,
        )
        # Another class gets ENQ and nothing else, the silent port ENQ, the tester ENQ then ACK.
        self.assertEqual(
            [self.sims[n].received_bytes() for n in (1, 2, 3)], [b"\x05", b"\x05", b"\x05\x06"]
        )
        self.d("combo-select", 1, CBO_LANGUAGE)
        poll(
            lambda: self.enabled(CMD_SCANSIONE) and self.enabled(CMD_CONFERMA), 10, 0.1, "scan over"
        )
        self.d("click", CMD_CONFERMA)
        poll(lambda: not self.driver.open_dialogs(), 30, 0.1, "dialog closed")
        self.assertEqual(
            self.station.settings_path.read_bytes(),
            b"[Impostazioni]\r\nLingua=English\r\nPorta Seriale=3\r\nPrimo Piano=0\r\n"
            b"Chiudi dopo test=1\r\nChiudi con Esc=1\r\nStampa report=0\r\n[Percorsi]\r\nFiles .ACC="
            + self.station.exchange_dos.encode()
            + b"\r\n",
        )
        self.assertIn(lang_text(302, "English"), self.driver.texts())
        # The search starts again at once on the port found, and the tester answers.
        self.wait_panel(PANEL_PORT, lang_text(T_ONLINE_PORT, "English") + "3")
        self.assertEqual(self.sims[3].received_bytes()[:3], b"\x05\x06\x05")
