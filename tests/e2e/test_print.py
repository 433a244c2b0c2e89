"""The printed report on a real printer (the CUPS PDF queue, read back with
pdftotext), and the about box with its system-information button."""

import glob
import os
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from harness import ROOT, have_demogen, have_exe, have_farsim, lang_text, poll
from road import (T_DONE, T_DONE_TITLE, TB_INFO, RoadCase, demo_reservations, measurement_args, road_language,
                  road_settings, valid_demo)

T_REPORT_TITLE, T_NO_PRINTER, T_NOT_PRINTED = 650, 651, 652
CUPS_DIR = ROOT / "build" / f"e2e-cups-{os.getpid()}"
MAKE = "FAR,SIM"  # a value with a comma: two lines of the report

have_cups = shutil.which("cupsd", path=os.environ.get("PATH", "") + ":/usr/sbin") and shutil.which("pdftotext")
requires_printer = unittest.skipUnless(have_exe and have_farsim and have_demogen and have_cups,
                                       "heliotab.exe, farsim, demogen, cupsd or pdftotext missing (scripts/setup.sh)")
pdf_dir = None


def cups(*args):
    return subprocess.run(["bash", str(ROOT / "scripts" / "cups-pdf.sh"), *args], capture_output=True, text=True,
                          timeout=60, check=True).stdout.strip()


def setUpModule():
    global pdf_dir
    if have_cups:
        pdf_dir = Path(cups("start", str(CUPS_DIR)))


def tearDownModule():
    if have_cups:
        cups("stop", str(CUPS_DIR))
        shutil.rmtree(CUPS_DIR, ignore_errors=True)


def pdfs():
    return set(glob.glob(str(pdf_dir / "*.pdf")))


def wait_pdf(before, timeout=60):
    """The new PDF once CUPS has finished its job."""
    def done():
        pending = subprocess.run(["lpstat", "-W", "not-completed", "-o"], capture_output=True, text=True).stdout
        new = pdfs() - before
        return new if not pending.strip() and new and all(os.path.getsize(p) > 0 for p in new) else None
    return poll(done, timeout, 0.05, "the printed PDF")


def report_items(data):
    """The result file's items as the report reads them: a comma or a line end
    ends one, leading blanks go, quotes around one go."""
    items = []
    for line in data.decode("cp1252").split("\r\n")[:-1]:
        for item in line.split(","):
            item = item.lstrip(" \t")
            items.append(item[1:-1] if len(item) > 1 and item[0] == item[-1] == '"' else item)
    return items


@requires_printer
class ReportTest(RoadCase):
    def setUp(self):
        super().setUp()
        cups("add")
        self.addCleanup(cups, "add")
        # A short exchange directory, as on a station: the header line must fit
        # the page from 70 mm on.
        self.station.exchange = self.station.session.drive_c / "PRN"
        shutil.rmtree(self.station.exchange, ignore_errors=True)
        self.station.exchange.mkdir()
        self.addCleanup(shutil.rmtree, self.station.exchange, True)
        self.station.write_language([(name, keys + [(str(T_NOT_PRINTED), lang_text(T_NOT_PRINTED))])
                                     for name, keys in road_language()])

    def measured(self, close_after="0"):
        """A whole test with "Stampa report" on, up to the result's hand-over."""
        st = self.station
        res = valid_demo(demo_reservations(st.exchange), "LEGGERO")
        self.start_tester(*measurement_args(), "--make", MAKE)
        p = self.start_program(settings=road_settings(st, close_after=close_after, extra=[("Stampa report", "1")]))
        self.wait_online()
        self.pick_and_wait_armed(res, measuring=True)
        return p, st.exchange / (res.name[:-3] + "FAR"), res

    def print_dialog(self):
        box = self.box(40)
        _, main = self.driver.main_window()
        self.assertEqual((box["owner"], box["buttons"].split(",")[:2]), (main["hwnd"], ["ok", "cancel"]),
                         "the print dialog, owned by the main window")
        # The printer shown is the default queue.
        texts = [c["title"] for c in self.driver.check("--window", box["hwnd"], "list-children").all("control")]
        self.assertIn("CUPS:PDF", texts, "the default queue is the printer shown")
        return box

    def test_report_of_a_whole_test(self):
        _, far, res = self.measured()
        result = f"{self.station.exchange_dos}{far.name}"
        self.assert_box(self.box(20), T_DONE_TITLE, f"{lang_text(T_DONE)} '{result}'", "information")
        self.driver.answer("ok")
        self.print_dialog()
        self.assertTrue(far.exists() and not res.path.exists(), "the result is delivered before printing")
        before = pdfs()
        self.driver.answer("ok")
        new = wait_pdf(before)
        self.assertEqual(len(new), 1)
        text = subprocess.run(["pdftotext", "-layout", next(iter(new)), "-"], capture_output=True, text=True,
                              check=True).stdout
        lines = [l.strip() for l in text.splitlines() if l.strip()]
        self.assertTrue(lines[0].startswith(result + " - "), lines[0])
        self.assertRegex(lines[0][len(result) + 3:], r"^\d{1,2}/\d{1,2}/\d{2,4} \d{1,2}:\d{2}:\d{2}")
        body = report_items(far.read_bytes())
        self.assertEqual(lines[1:], body)
        self.assertEqual(len(body), 32)
        self.assertEqual(body[1:3], ["Marca=FAR", "SIM"])
        self.assertEqual(self.driver.open_dialogs(), [])

    def test_cancel_prints_nothing_and_close_after_test_still_closes(self):
        p, far, _ = self.measured(close_after="1")
        self.print_dialog()
        before = pdfs()
        self.driver.answer("cancel")
        self.assertEqual(self.station.wait_exit(p, 40), 0, "the program closes after the answered dialog")
        self.assertTrue(far.exists())
        self.assertEqual(pdfs(), before)  # (the EOT of a closing test is test_results' close-after test)

    def test_no_printer_says_so_and_shows_no_dialog(self):
        cups("remove")
        _, far, _ = self.measured()
        self.assert_box(self.box(40), T_DONE_TITLE, f"{lang_text(T_DONE)} '{self.station.exchange_dos}{far.name}'",
                        "information")
        self.driver.answer("ok")
        self.assert_box(self.box(20), T_REPORT_TITLE, lang_text(T_NO_PRINTER), "exclamation")
        self.driver.answer("ok")
        self.assertEqual(self.driver.open_dialogs(), [])


IDM_TRAY_INFO, WM_COMMAND, WM_CLOSE = 1203, 0x111, 0x10
WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE = 0x201, 0x202, 0x200
MSINFO = r"HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO"
TOOLS = r"HKLM\SOFTWARE\Microsoft\Shared Tools Location"
T_SYSINFO_MISSING = 210


@unittest.skipUnless(have_exe, "heliotab.exe or uidriver.exe not built")
class AboutBoxTest(RoadCase):
    def setUp(self):
        super().setUp()
        for key in (MSINFO, TOOLS):
            self.addCleanup(self.reg, "delete", key, "/f")
        self.start_program(settings=road_settings(self.station, port=0))
        _, self.main = self.driver.main_window()

    def reg(self, *args):
        self.station.session.wine(["reg", *args], capture_output=True)

    def open_about(self, how):
        if how == "toolbar":
            self.driver.click_toolbar(TB_INFO)
        else:
            self.driver.check("post", "main", WM_COMMAND, IDM_TRAY_INFO, 0)
        box = self.box(20)
        controls = {int(c["id"]): c for c in self.driver.check("--window", box["hwnd"], "list-children").all("control")}
        return box, controls

    def test_about_box_from_toolbar_and_tray(self):
        caption = self.main["title"]
        expected = {1403: f"{lang_text(201)} {caption}", 1406: caption, 1407: f"{lang_text(202)} 1.14",
                    1408: "(Rev. 1)", 1409: f"{lang_text(206)} 1.4b", 1410: f"{lang_text(207)} 100  (02/11/1999)",
                    1411: lang_text(203), 1412: lang_text(204), 1413: lang_text(205), 1: "OK"}
        for how in ("toolbar", "tray"):
            with self.subTest(how):
                box, controls = self.open_about(how)
                self.assertEqual((box["title"], box["owner"]), (expected[1403], self.main["hwnd"]))
                self.assertEqual({i: controls[i]["title"] for i in expected}, expected)
                self.assertTrue(all(controls[i]["visible"] == "1" for i in expected))
                version, revision = (list(map(int, controls[i]["rect"].split(","))) for i in (1407, 1408))
                self.assertGreater(revision[0], version[2], "the revision stands right of the version")
                # The caption strip drags the box.
                rect = lambda: [int(v) for v in
                                self.driver.check("window-info", box["hwnd"]).first("window")["rect"].split(",")]
                before = rect()
                for msg, x, y in ((WM_LBUTTONDOWN, 200, 12), (WM_MOUSEMOVE, 250, 42), (WM_LBUTTONUP, 250, 42)):
                    self.driver.check("post", box["hwnd"], msg, 1 if msg != WM_LBUTTONUP else 0, (y << 16) | x)
                poll(lambda: rect() == [before[0] + 50, before[1] + 30, before[2] + 50, before[3] + 30], 10, 0.1,
                     "the box dragged by 50, 30")
                self.driver.answer("ok")
                poll(lambda: not self.driver.open_dialogs(), 10, 0.1, "the about box closed")

    def test_sysinfo_from_the_registry(self):
        tools = self.station.session.drive_c / "SysTools"
        shutil.rmtree(tools, ignore_errors=True)
        tools.mkdir()
        self.addCleanup(shutil.rmtree, tools, True)
        notepad = r"C:\windows\notepad.exe"
        cases = [  # (registry values, what the button does)
            ([], "missing"),
            ([(TOOLS, "MSINFO", r"C:\SysTools")], "missing"),  # the folder lacks MSINFO32.EXE
            # The first value wins; the second is not looked at.
            ([(MSINFO, "PATH", notepad), (TOOLS, "MSINFO", r"C:\SysTools")], "started"),
        ]
        for values, outcome in cases:
            with self.subTest(values=values, outcome=outcome):
                for key in (MSINFO, TOOLS):
                    self.reg("delete", key, "/f")
                for key, name, data in values:
                    self.reg("add", key, "/v", name, "/d", data, "/f")
                box, _ = self.open_about("toolbar")
                self.driver.check("--window", box["hwnd"], "click", 1413)
                if outcome == "missing":
                    msg = poll(lambda: [b for b in self.driver.open_dialogs() if b["hwnd"] != box["hwnd"]], 20, 0.1,
                               "message 210")[0]
                    self.assertEqual((msg["title"], msg["text"], msg["buttons"], msg["owner"]),
                                     ("Microsoft SysInfo", lang_text(T_SYSINFO_MISSING), "ok", box["hwnd"]))
                    self.driver.check("post", msg["hwnd"], WM_COMMAND, 1, 0)
                else:
                    pad = poll(lambda: [w for w in self.driver.check("list-windows").all("window")
                                        if w["class"] == "Notepad" and w["visible"] == "1"], 30, 0.2,
                               "the system information program")[0]
                    self.driver.check("post", pad["hwnd"], WM_CLOSE, 0, 0)
                    poll(lambda: not [w for w in self.driver.check("list-windows").all("window")
                                      if w["class"] == "Notepad"], 20, 0.2, "that program closed")
                poll(lambda: [b["hwnd"] for b in self.driver.open_dialogs()] == [box["hwnd"]], 10, 0.1,
                     "only the about box open")
                self.driver.answer("ok")


if __name__ == "__main__":
    unittest.main()
