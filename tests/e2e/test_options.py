"""The options dialog end to end: opened from the toolbar and the tray, the
port scan across three simulated devices, HELIOTAB.ini and the autostart
value in the prefix's registry, cancel, and the main window afterwards."""

import subprocess
import unittest

from harness import (E2ETestCase, Farsim, ini_bytes, lang_text, poll, requires_exe, requires_farsim,
                     test_language)

DIALOG = "#32770"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
# Control ids of frmOpzioni (src/res/resource.h).
CHK_AUTOAVVIO, CHK_CHIUDI = 1307, 1308
CBO_LANGUAGE, LBL_COMPORT, CMD_SCANSIONE, CMD_CONFERMA, CMD_ANNULLA = 1312, 1314, 1315, 1316, 1317
TB_OPZIONI, TRAY_OPZIONI = 1103, 1202
WM_COMMAND, BM_GETCHECK, WM_SYSCOMMAND, SC_CLOSE = 0x111, 0xF0, 0x112, 0xF060


@requires_exe
@requires_farsim
class OptionsDialogTest(E2ETestCase):
    language = ini_bytes(test_language("Italiano") + test_language("English"))

    def setUp(self):
        super().setUp()
        sess = self.station.session
        # Every port the scan may open is one of ours or absent: the machine's
        # own serial line (a fresh prefix's com1) is never touched.
        for n in range(1, 17):
            sess.unlink_com(n)
        self.addCleanup(lambda: [sess.unlink_com(n) for n in range(1, 17)])
        self.sims = {
            1: Farsim(sess, self.station.dir.parent, com=1, args=["--class", "XYZ"]),
            2: Farsim(sess, self.station.dir.parent, com=2, args=["--silent"]),
            3: Farsim(sess, self.station.dir.parent, com=3),
        }
        for sim in self.sims.values():
            self.addCleanup(sim.stop)
        self.reg("delete", RUN_KEY, "/v", "HELIOTAB", "/f")
        self.addCleanup(lambda: self.reg("delete", RUN_KEY, "/v", "HELIOTAB", "/f"))
        self.ini_before = (b"[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=0\r\n"
                           b"[Percorsi]\r\nFiles .ACC=" + self.station.exchange_dos.encode() + b"\r\n")
        self.station.write_settings(self.ini_before)
        self.exe_dos = self.station.session.dos_path(self.station.dir / "heliotab.exe")

    def reg(self, *args):
        return self.station.session.wine(["reg", *args], capture_output=True, text=True, timeout=60)

    def autostart(self):
        out = self.reg("query", RUN_KEY, "/v", "HELIOTAB")
        for line in out.stdout.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[0] == "HELIOTAB" and parts[1] == "REG_SZ":
                return parts[2]
        return None

    def d(self, *args):
        return self.driver.check("--window", self.dialog, *args)

    def open_dialog(self, via):
        if via == "toolbar":
            self.driver.click_toolbar(TB_OPZIONI)
        else:
            self.driver.check("post", "main", WM_COMMAND, TRAY_OPZIONI, 0)
        r = self.driver.wait_window(DIALOG, lang_text(401), 30)
        self.assertTrue(r.ok, r)
        self.dialog = r.first("found")["hwnd"]

    def control(self, cid):
        return next(c for c in self.d("list-children").all("control") if c["id"] == str(cid))

    def checked(self, cid):
        return self.d("send", str(cid), BM_GETCHECK, 0, 0).first("result")["value"] == "1"

    def wait_dialog_gone(self):
        poll(lambda: not any(w["hwnd"] == self.dialog and w["visible"] == "1"
                             for w in self.driver.run("list-windows").all("window")), 30, 0.1, "dialog closed")

    def test_toolbar_scan_and_confirm(self):
        self.station.start_and_wait()
        self.open_dialog("toolbar")
        self.assertEqual(self.control(CMD_CONFERMA)["enabled"], "0")
        self.assertEqual(self.d("get-text", str(LBL_COMPORT)).first("text")["value"], lang_text(414))
        self.d("click", str(CHK_CHIUDI))
        poll(lambda: self.control(CMD_CONFERMA)["enabled"] == "1", 10, 0.1, "confirm enabled by a click")
        self.d("click", str(CHK_AUTOAVVIO))
        self.d("click", str(CMD_SCANSIONE))
        found = lang_text(412) + "3"
        poll(lambda: self.d("get-text", str(LBL_COMPORT)).first("text")["value"] == found, 30, 0.2, "COM3 found")
        # The other class got ENQ and nothing else; the silent port ENQ; the tester ENQ then ACK.
        self.assertEqual(self.sims[1].received_bytes(), b"\x05")
        self.assertEqual(self.sims[2].received_bytes(), b"\x05")
        self.assertEqual(self.sims[3].received_bytes(), b"\x05\x06")
        self.d("combo-select", 1, str(CBO_LANGUAGE))
        poll(lambda: self.control(CMD_SCANSIONE)["enabled"] == "1", 10, 0.1, "scan over")
        self.d("click", str(CMD_CONFERMA))
        self.wait_dialog_gone()

        self.assertEqual(self.station.settings_path.read_bytes(),
                         b"[Impostazioni]\r\nLingua=English\r\nPorta Seriale=3\r\nPrimo Piano=0\r\n"
                         b"Chiudi dopo test=1\r\nChiudi con Esc=1\r\nStampa report=0\r\n"
                         b"[Percorsi]\r\nFiles .ACC=" + self.station.exchange_dos.encode() + b"\r\n")
        self.assertEqual(self.autostart(), self.exe_dos)
        self.assertIn(lang_text(302, "English"), self.driver.texts())
        # The search starts again at once on the port found, and the tester answers.
        poll(lambda: self.driver.status_panels()[1] == lang_text(332, "English") + "3", 30, 0.2,
             "tester online on COM3")
        self.assertEqual(self.sims[3].received_bytes()[:3], b"\x05\x06\x05")

    def test_tray_cancel_then_confirm_deletes_another_folders_entry(self):
        other = r"C:\Elsewhere\heliotab.exe"
        self.reg("add", RUN_KEY, "/v", "HELIOTAB", "/d", other, "/f")
        self.station.start_and_wait()
        before = self.station.files()
        self.open_dialog("tray")
        self.assertFalse(self.checked(CHK_AUTOAVVIO))
        self.d("click", str(CHK_CHIUDI))
        self.d("click", str(CMD_ANNULLA))
        self.wait_dialog_gone()
        self.assertEqual(self.station.files(), before)
        self.assertEqual(self.autostart(), other)

        self.open_dialog("tray")
        self.d("key", "esc", str(CHK_CHIUDI))  # Esc cancels too
        self.wait_dialog_gone()
        self.assertEqual(self.station.files(), before)

        # Closed from its system menu while a scan runs: the scan ends there.
        self.open_dialog("tray")
        self.d("click", str(CMD_SCANSIONE))
        self.sims[1].wait_received(lambda b: b == b"\x05", 20, "ENQ on COM1")
        self.d("post", self.dialog, WM_SYSCOMMAND, SC_CLOSE, 0)
        self.wait_dialog_gone()
        self.assertEqual(self.station.files(), before)

        self.open_dialog("tray")
        self.d("click", str(CHK_CHIUDI))
        poll(lambda: self.control(CMD_CONFERMA)["enabled"] == "1", 10, 0.1, "confirm enabled")
        self.d("click", str(CMD_CONFERMA))
        self.wait_dialog_gone()
        self.assertIsNone(self.autostart())
        self.assertIn(b"Chiudi dopo test=1\r\n", self.station.settings_path.read_bytes())
        self.assertIn(b"Porta Seriale=0\r\n", self.station.settings_path.read_bytes())  # no scan: unchanged
        # The scan closed with the dialog never went on to COM2 or COM3.
        self.assertEqual(self.sims[2].received_bytes() + self.sims[3].received_bytes(), b"")


if __name__ == "__main__":
    unittest.main()
