"""The setup program under Wine, silent: install, the program, upgrade, bad input, removal."""

import re, shutil, subprocess, unittest

from harness import ROOT, WIN_DIR, Driver, Farsim, poll, session

SETUP = next(WIN_DIR.glob("heliotab-setup-*.exe"), None)
KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
INI = b"[Impostazioni]\r\nPorta Seriale=7\r\n[Percorsi]\r\nFiles .ACC=C:\\Scambio\\DIR_FAR\\\r\n"
FILES = [  # sorted as listed
    "Accettazione.msk",
    "HELIOTAB.ini",
    "Language.ini",
    "Training/demogen.exe",
    "Training/farsim.exe",
    "Veicoli_Leggeri.msk",
    "Veicoli_Pesanti.msk",
    "heliocheck.exe",
    "heliotab.exe",
    "uninstall.exe",
]
LINKS = ["ProgramData/Microsoft/Windows/Start Menu/Programs/HELIOTAB", "users/Public/Desktop"]
BAD = [  # exit code, options; the station stays as it was
    (3, ["/PORT=256"]),
    (3, ["/PORT=0x10"]),
    (3, [r"/D=C:\windows\HELIOTAB"]),
    (4, [r"/ACCDIR=C:\windows\win.ini\DIR", r"/D=C:\NEW"]),
    (5, [r"/D=R:\HELIOTAB"]),  # R: is /sys, where nothing can be made
]


@unittest.skipUnless(SETUP, "the Windows build makes heliotab-setup-*.exe")
class InstallerTest(unittest.TestCase):
    def setUp(self):
        self.s, self.driver = session(), Driver()
        self.c, self.dir = self.s.drive_c, self.s.drive_c / "HELIOTAB"
        shutil.rmtree(self.dir, ignore_errors=True)

    def wine(self, *args):
        # Output to nowhere, not a pipe: a Wine helper a program starts inherits it.
        return subprocess.run(
            ["wine", *args], stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT
        ).returncode

    def setup(self, *args):
        return self.wine(SETUP, "/S", *args, r"/D=C:\HELIOTAB")  # /D= comes last

    def reg(self, key):
        out = subprocess.run(["wine", "reg", "query", KEY + key], capture_output=True, text=True)
        return dict(re.findall(r"(?m)^    (\S.*?)    REG_\w+    (.*?)$", out.stdout))

    def files(self, skip="-"):  # skip: a pattern of names left out
        paths = [p for p in self.dir.rglob("*.*") if not p.match(skip)]
        return {str(p.relative_to(self.dir)): p.read_bytes() for p in paths}

    def links(self):
        return [(self.c / d / "HELIOTAB.lnk").is_file() for d in LINKS]

    def test_install_run_upgrade_refuse_remove(self):
        rc = self.setup("/PORT=7", r"/ACCDIR=C:\Scambio\DIR_FAR", "/AUTOSTART=1", "/TRAINING=1")
        self.assertEqual((rc, sorted(self.files())), (0, FILES))
        self.assertEqual(self.files()["HELIOTAB.ini"], INI)
        self.assertEqual(self.reg(r"\Run")["HELIOTAB"], r"C:\HELIOTAB\heliotab.exe")
        entry = self.reg(r"\Uninstall\HELIOTAB")
        self.assertEqual(entry["QuietUninstallString"], r'"C:\HELIOTAB\uninstall.exe" /S')
        self.assertEqual(self.links(), [True, True])

        work = self.c / "installer-work"
        work.mkdir(exist_ok=True)
        self.addCleanup(Farsim(self.s, work, com=7).stop)
        program = subprocess.Popen(["wine", r"C:\HELIOTAB\heliotab.exe", "/TEST"])
        self.addCleanup(program.kill)
        poll(lambda: self.driver.panel(1) == "Provafari collegato su COM7", 60)

        # The station edits a mask and its settings, then upgrades while the program runs.
        for name, extra in [("Accettazione.msk", b"; mine\r\n"), ("HELIOTAB.ini", b"[X]\r\n")]:
            (self.dir / name).write_bytes((self.dir / name).read_bytes() + extra)
        before = self.files("HELIOTAB*.log")  # what the running station journals
        # A test armed: the program asks its operator first, and the setup gives up.
        self.driver.check("click-toolbar", 1101)
        self.assertEqual((self.setup(), self.files("HELIOTAB*.log")), (6, before))
        self.driver.check("message-box", "answer", "yes", 10000)
        program.wait(30)
        self.assertEqual(self.setup(), 0)
        after = self.files()
        copy = [n for n in after if n.startswith("Accettazione.msk.")]
        self.assertEqual(after["HELIOTAB.ini"], before["HELIOTAB.ini"])
        self.assertEqual([after[n] for n in copy], [before["Accettazione.msk"]])
        self.assertEqual(after["Accettazione.msk"], (ROOT / "data/Accettazione.msk").read_bytes())

        (drive := self.c.parent / "dosdevices" / "r:").symlink_to("/sys")
        self.addCleanup(drive.unlink)
        for code, args in BAD:
            with self.subTest(args=args):
                self.assertEqual(self.wine(SETUP, "/S", *args), code)
                self.assertEqual((self.files(), (self.c / "NEW").exists()), (after, False))

        (self.c / "Scambio" / "DIR_FAR" / "A.FAR").write_bytes(b"result")
        self.assertEqual(self.wine(r"C:\HELIOTAB\uninstall.exe", "/S"), 0)
        poll(lambda: not (self.dir / "Training").exists(), 60)  # the last step
        self.assertEqual(sorted(self.files()), sorted(["HELIOTAB.ini", *copy]))
        self.assertEqual((self.c / "Scambio" / "DIR_FAR" / "A.FAR").read_bytes(), b"result")
        self.assertNotIn("HELIOTAB", self.reg(r"\Run"))
        self.assertEqual(self.reg(r"\Uninstall\HELIOTAB"), {})
        self.assertEqual(self.links(), [False, False])
