import re, shutil, subprocess, unittest
from pathlib import Path

from harness import MEASURING, ROOT, E2ETestCase, lang_text, poll

have_cups = shutil.which("lpstat") and shutil.which("pdftotext")


def cups(*args):
    script = ROOT / "scripts" / "cups-pdf.sh"
    return subprocess.run(
        ["bash", script, *args], capture_output=True, text=True, timeout=60, check=True
    ).stdout.strip()


@unittest.skipUnless(have_cups, "cupsd or pdftotext missing (scripts/setup.sh)")
class ReportTest(E2ETestCase):
    def test_report_on_the_pdf_printer_or_a_message_without_one(self):
        st = self.station
        pdfs = Path(cups("start", self.work / "cups"))
        self.addCleanup(cups, "stop", self.work / "cups")
        self.addCleanup(cups, "add")
        # A short exchange directory, as on a station: the header line fits the page from 70 mm on.
        st.exchange = st.session.drive_c / "PRN"
        self.addCleanup(shutil.rmtree, st.exchange, True)
        self.start_tester(*MEASURING, "--make", "FAR,SIM")  # a comma: two lines of the report
        for printer in (True, False):
            with self.subTest(printer=printer):
                shutil.rmtree(st.exchange, ignore_errors=True)
                st.exchange.mkdir()
                acc, item = self.light_reservation()
                cups("add" if printer else "remove")
                self.start_program(extra=[("Stampa report", "1")])
                self.wait_online()
                self.deliver(item)
                box = self.driver.message_box(20)
                # With a printer its dialog on the default queue; without one a message.
                want = "CUPS:PDF" if printer else lang_text(651)
                self.assertIn(want, self.driver.texts("--window", box["hwnd"]))
                self.driver.check("message-box", "answer", "ok", 10000)
                if printer:
                    queue = ["lpstat", "-W", "not-completed", "-o"]
                    done = lambda: not subprocess.run(queue, capture_output=True).stdout
                    pdf = poll(lambda: done() and [*pdfs.glob("*.pdf")], 60, what="the PDF")[0]
                    pdftotext = ["pdftotext", "-layout", pdf, "-"]
                    text = subprocess.run(pdftotext, capture_output=True, text=True).stdout
                    lines = re.findall(r"(?m)^ *(\S.*?) *$", text)
                    header = re.escape(f"{st.exchange_dos}{acc.stem}.FAR")
                    self.assertRegex(lines[0], rf"^{header} - \d+/\d+/\d+ \d+:\d+:\d+")
                    # Each item of the result file on a line of its own: a comma ends one too.
                    self.assertEqual(lines[1:4], ["[ProvaFari]", "Marca=FAR", "SIM"])
                self.assertEqual(st.close(), 0)
