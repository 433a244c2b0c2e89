import unittest
from dataclasses import dataclass
from typing import Callable

from harness import FARSIM, PANEL_PORT, TB_OPZIONI, T_ONLINE_PORT, E2ETestCase, Farsim, ini_bytes
from harness import lang_text, poll, requires_exe, test_language

# src/res/resource.h
CHK_CHIUDI, CBO_LANGUAGE, LBL_COMPORT, CMD_SCANSIONE, CMD_CONFERMA, CMD_ANNULLA = (
    1308,
    1312,
    1314,
    1315,
    1316,
    1317,
)
T_OPTIONS, T_FOUND, T_NO_PORT = 401, 412, 414
WM_KEYDOWN, VK_ESCAPE = 0x100, 0x1B
# Another class gets ENQ and nothing else, the silent port ENQ, the tester ENQ then ACK.
SCANNED = [b"\x05", b"\x05", b"\x05\x06"]


@dataclass
class Leave:  # a way out of the dialog that keeps what it had before
    name: str
    leave: Callable  # (test) -> None, with the scan running when during_scan
    during_scan: bool = False


LEAVES = [
    Leave("Annulla", lambda t: t.d("click", CMD_ANNULLA)),
    Leave("Esc", lambda t: t.d("post", WM_KEYDOWN, VK_ESCAPE, 0)),
    Leave("closed while scanning", lambda t: t.d("close"), during_scan=True),
]


@requires_exe
@unittest.skipUnless(FARSIM.is_file(), "farsim not built")
class OptionsDialogTest(E2ETestCase):
    language = ini_bytes(test_language("Italiano") + test_language("English"))

    def setUp(self):
        super().setUp()
        sess = self.station.session
        # Every port the scan may open is ours or absent: the prefix's own com1 is never touched.
        for n in range(1, 17):
            sess.link_com(n)
        self.sims = {
            n: Farsim(sess, self.work, com=n, args=args)
            for n, args in ((1, ["--class", "XYZ"]), (2, ["--silent"]), (3, []))
        }
        for sim in self.sims.values():
            self.addCleanup(sim.stop)
        self.acc = b"[Percorsi]\r\nFiles .ACC=" + self.station.exchange_dos.encode() + b"\r\n"
        self.before = b"[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=0\r\n" + self.acc
        self.station.settings_path.write_bytes(self.before)

    def d(self, *args):
        return self.driver.check("--window", self.dialog, *args)

    def open_dialog(self):
        self.driver.check("click-toolbar", TB_OPZIONI)
        self.dialog = self.driver.wait_dialog(lang_text(T_OPTIONS))

    def control(self, cid):
        return self.driver.controls("--window", self.dialog)[str(cid)]

    def enabled(self, cid):
        return self.control(cid)["enabled"] == "1"

    def change_and_leave(self, leave):  # a tick and a language chosen, then the row's way out
        self.d("click", CHK_CHIUDI)
        self.d("combo-select", 1, CBO_LANGUAGE)
        poll(lambda: self.enabled(CMD_CONFERMA), 10, 0.1, "something to confirm")
        if leave.during_scan:  # the close is queued behind the click: the scan has started
            self.d("click", CMD_SCANSIONE)
        leave.leave(self)
        poll(lambda: not self.driver.open_dialogs(), 30, 0.1, "dialog closed")

    def test_scan_finds_the_tester_and_confirm_saves(self):
        self.station.start_and_wait()
        for row in LEAVES:
            with self.subTest(row.name):
                self.open_dialog()
                self.change_and_leave(row)
                self.assertEqual(self.station.settings_path.read_bytes(), self.before)
        # The scan closed with the dialog had not reached the tester, and it let its ports go:
        # the next one finds the tester.
        self.assertNotIn(b"\x06", self.sims[3].received_bytes())
        self.open_dialog()
        self.assertFalse(self.enabled(CMD_CONFERMA))
        self.assertEqual(self.control(LBL_COMPORT)["title"], lang_text(T_NO_PORT))
        self.d("click", CHK_CHIUDI)
        seen = [len(self.sims[n].received_bytes()) for n in (1, 2, 3)]
        self.d("click", CMD_SCANSIONE)
        poll(
            lambda: self.control(LBL_COMPORT)["title"] == lang_text(T_FOUND) + "3",
            30,
            0.2,
            "COM3 found",
        )
        scanned = [self.sims[n].received_bytes()[seen[n - 1] :] for n in (1, 2, 3)]
        self.assertEqual(scanned, SCANNED)
        self.d("combo-select", 1, CBO_LANGUAGE)
        poll(
            lambda: self.enabled(CMD_SCANSIONE) and self.enabled(CMD_CONFERMA), 10, 0.1, "scan over"
        )
        self.d("click", CMD_CONFERMA)
        poll(lambda: not self.driver.open_dialogs(), 30, 0.1, "dialog closed")
        self.assertEqual(
            self.station.settings_path.read_bytes(),
            b"[Impostazioni]\r\nLingua=English\r\nPorta Seriale=3\r\nPrimo Piano=0\r\n"
            b"Chiudi dopo test=1\r\nChiudi con Esc=1\r\nStampa report=0\r\n" + self.acc,
        )
        self.assertIn(lang_text(302, "English"), self.driver.texts())
        # The search starts again at once on the port found, and the tester answers.
        self.wait_panel(PANEL_PORT, lang_text(T_ONLINE_PORT, "English") + "3")
        self.assertEqual(self.sims[3].received_bytes()[seen[2] :][:3], b"\x05\x06\x05")
