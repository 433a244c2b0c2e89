import os, re, shutil, subprocess, unittest

from harness import MEASURING, ROOT, T_DONE, T_DONE_TITLE, E2ETestCase, have_exe, lang_text
from harness import light_reservation, poll, requires_road, road_settings

T_REPORT_TITLE, T_NO_PRINTER = 650, 651
CUPS_DIR = ROOT / "build" / f"e2e-cups-{os.getpid()}"
have_cups = shutil.which("cupsd", path=os.environ["PATH"] + ":/usr/sbin") and shutil.which(
    "pdftotext"
)
pdf_dir = None


def cups(*args):
    script = ROOT / "scripts" / "cups-pdf.sh"
    out = subprocess.run(
        ["bash", script, *args], capture_output=True, text=True, timeout=60, check=True
    )
    return out.stdout.strip()


def setUpModule():
    global pdf_dir
    if have_cups and have_exe:
        pdf_dir = ROOT / cups("start", CUPS_DIR)


def tearDownModule():
    if pdf_dir:
        cups("stop", CUPS_DIR)
        shutil.rmtree(CUPS_DIR, ignore_errors=True)


def printed(before):  # the new PDFs once the queue is empty
    new = set(pdf_dir.glob("*.pdf")) - before
    queue = subprocess.run(["lpstat", "-W", "not-completed", "-o"], capture_output=True, text=True)
    return (
        new if new and all(os.path.getsize(p) for p in new) and not queue.stdout.strip() else None
    )


@requires_road
@unittest.skipUnless(have_cups, "cupsd or pdftotext missing (scripts/setup.sh)")
class ReportTest(E2ETestCase):
    def test_report_on_the_pdf_printer_or_a_message_without_one(self):
        st = self.station
        self.addCleanup(cups, "add")
        # A short exchange directory, as on a station: the header line fits the page from 70 mm on.
        st.exchange = st.session.drive_c / "PRN"
        self.addCleanup(shutil.rmtree, st.exchange, True)
        self.start_tester(*MEASURING, "--make", "FAR,SIM")  # a comma: two lines of the report
        for printer in (True, False):
            with self.subTest(printer=printer):
                shutil.rmtree(st.exchange, ignore_errors=True)
                acc, item, _ = light_reservation(st.exchange)
                cups("add" if printer else "remove")
                self.start_program(settings=road_settings(st, extra=[("Stampa report", "1")]))
                self.wait_online()
                self.pick(item)
                result = f"{st.exchange_dos}{acc.stem}.FAR"
                self.assert_box(T_DONE_TITLE, f"{lang_text(T_DONE)} '{result}'")
                self.driver.answer("ok")
                if printer:
                    self.check_report(acc.with_suffix(".FAR"), result)
                else:
                    self.assert_box(T_REPORT_TITLE, lang_text(T_NO_PRINTER))
                    self.driver.answer("ok")
                self.assertEqual(st.close(), 0)

    def check_report(self, far, result):
        box = self.driver.message_box(20)
        self.assertEqual(box["buttons"].split(",")[:2], ["ok", "cancel"], "the print dialog")
        self.assertIn("CUPS:PDF", self.driver.texts("--window", box["hwnd"]), "the default queue")
        before = set(pdf_dir.glob("*.pdf"))
        self.driver.answer("ok")
        pdf = poll(lambda: printed(before), 60, 0.1, "the printed PDF").pop()
        text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True)
        lines = [line.strip() for line in text.stdout.splitlines() if line.strip()]
        date = r"\d{1,2}/\d{1,2}/\d{2,4} \d{1,2}:\d{2}:\d{2}"
        self.assertRegex(lines[0], f"^{re.escape(result)} - {date}")
        # Each item of the result file on a line of its own: a comma ends one too.
        items = far.read_bytes().decode("cp1252").replace(",", "\r\n").split("\r\n")
        self.assertEqual(lines[1:], items[:-1])
        self.assertEqual(lines[2:4], ["Marca=FAR", "SIM"])
        self.assertEqual(self.driver.open_dialogs(), [])
