"""The setup program under Wine, silent: install, the program, upgrade, bad input, removal."""

import re, shutil, subprocess, unittest

from harness import APP_TITLE, MAIN_CLASS, ROOT, WIN_DIR, Driver, Farsim, poll, session

SETUP = next(iter(sorted(WIN_DIR.glob("heliotab-setup-*.exe"))), None)
KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
EXE = r"C:\HELIOTAB\heliotab.exe"
INI = b"[Impostazioni]\r\nPorta Seriale=7\r\n[Percorsi]\r\nFiles .ACC=C:\\Scambio\\DIR_FAR\\\r\n"
PROGRAM = ["Accettazione.msk", "Language.ini", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"]
FILES = sorted(["HELIOTAB.ini", "heliocheck.exe", "heliotab.exe", "uninstall.exe", *PROGRAM])
TRAINING = ["Training/demogen.exe", "Training/farsim.exe"]
LINKS = ["ProgramData/Microsoft/Windows/Start Menu/Programs/HELIOTAB", "users/Public/Desktop"]
BAD = [  # exit code, options; the station stays as it was
    dict(code=3, args=["/PORT=256"]),
    dict(code=3, args=["/PORT=0x10"]),
    dict(code=3, args=[r"/D=C:\windows\HELIOTAB"]),
    dict(code=4, args=[r"/ACCDIR=C:\windows\win.ini\DIR", r"/D=C:\NEW"]),
    dict(code=5, args=[r"/D=R:\HELIOTAB"]),  # R: is /sys, where nothing can be made
]


class InstallerTest(unittest.TestCase):
    def setUp(self):
        self.assertIsNotNone(SETUP, "the Windows build makes heliotab-setup-*.exe")
        self.s = session()
        self.c, self.dir = self.s.drive_c, self.s.drive_c / "HELIOTAB"
        shutil.rmtree(self.dir, ignore_errors=True)
        self.driver, self.work = Driver(self.s), self.c / "installer-work"
        self.work.mkdir(exist_ok=True)

    def wine(self, *args):
        with open(self.work / "wine.log", "ab") as log:
            return subprocess.run(
                ["wine", *args], env=self.s.env, stdout=log, stderr=log
            ).returncode

    def setup(self, *args):
        return self.wine(SETUP, "/S", *args)

    def reg(self, key):
        out = subprocess.run(["wine", "reg", "query", key], env=self.s.env, capture_output=True)
        return dict(re.findall(r"(?m)^    (\S.*?)    REG_\w+    (.*?)\r?$", out.stdout.decode()))

    def files(self, journal=True):  # journal=False: leaves out what the running station journals
        paths = [p for p in self.dir.rglob("*.*") if journal or not p.match("HELIOTAB*.log")]
        return {str(p.relative_to(self.dir)): p.read_bytes() for p in paths}

    def close(self, program):  # an armed test's question answered Yes
        if program.poll() is None and self.driver.run("close").ok:
            self.driver.run("message-box", "answer", "yes", 5000)
            program.wait(30)

    def test_install_run_upgrade_refuse_remove(self):
        args = ["/PORT=7", r"/ACCDIR=C:\Scambio\DIR_FAR", "/AUTOSTART=1", "/TRAINING=1"]
        rc = self.setup(*args, r"/D=C:\HELIOTAB")
        self.assertEqual((rc, sorted(self.files())), (0, sorted(FILES + TRAINING)))
        self.assertEqual(self.files()["HELIOTAB.ini"], INI)
        self.assertEqual(self.reg(KEY + r"\Run")["HELIOTAB"], EXE)
        entry = self.reg(KEY + r"\Uninstall\HELIOTAB")
        self.assertEqual(entry["QuietUninstallString"], r'"C:\HELIOTAB\uninstall.exe" /S')
        self.assertEqual(
            (entry["InstallLocation"], entry["DisplayName"]), (r"C:\HELIOTAB", APP_TITLE)
        )
        self.assertTrue(all((self.c / d / "HELIOTAB.lnk").is_file() for d in LINKS))

        tester = Farsim(self.s, self.work, com=7)
        self.addCleanup(tester.stop)
        program = subprocess.Popen(
            ["wine", EXE, "/TEST"], env=self.s.env, stdout=subprocess.DEVNULL
        )
        self.addCleanup(self.close, program)
        self.driver.check("wait-window", MAIN_CLASS, APP_TITLE, 60000, "--idle", timeout=60)
        poll(lambda: self.driver.panel(1) == "Provafari collegato su COM7", 40)

        # The station edits a mask and its settings, then upgrades while the program runs.
        for name, extra in [("Accettazione.msk", b"; mine\r\n"), ("HELIOTAB.ini", b"[X]\r\n")]:
            (self.dir / name).write_bytes((self.dir / name).read_bytes() + extra)
        before = self.files(journal=False)
        # A test armed: the program asks its operator first, and the setup gives up.
        self.driver.check("click-toolbar", 1101)
        self.assertEqual((self.setup(r"/D=C:\HELIOTAB"), self.files(journal=False)), (6, before))
        self.driver.check("message-box", "answer", "yes", 10000)
        self.assertIsNotNone(program.wait(30))
        self.assertEqual(self.setup(r"/D=C:\HELIOTAB"), 0)
        after = self.files()
        copy = [n for n in after if n.startswith("Accettazione.msk.")]
        self.assertEqual(after["HELIOTAB.ini"], before["HELIOTAB.ini"])
        self.assertEqual([after[n] for n in copy], [before["Accettazione.msk"]])
        self.assertEqual(
            [after[n] for n in PROGRAM], [(ROOT / "data" / n).read_bytes() for n in PROGRAM]
        )

        (drive := self.c.parent / "dosdevices" / "r:").symlink_to("/sys")
        self.addCleanup(drive.unlink)
        for row in BAD:
            with self.subTest(**row):
                self.assertEqual(self.setup(*row["args"]), row["code"])
                self.assertEqual((self.files(), (self.c / "NEW").exists()), (after, False))

        (self.c / "Scambio" / "DIR_FAR" / "A.FAR").write_bytes(b"result")
        self.assertEqual(self.wine(r"C:\HELIOTAB\uninstall.exe", "/S"), 0)
        poll(lambda: not (self.dir / "Training").exists(), 60)  # the last step
        self.assertEqual(sorted(self.files()), sorted(["HELIOTAB.ini", *copy]))
        self.assertEqual((self.c / "Scambio" / "DIR_FAR" / "A.FAR").read_bytes(), b"result")
        self.assertEqual(
            ("HELIOTAB" in self.reg(KEY + r"\Run"), self.reg(KEY + r"\Uninstall\HELIOTAB")),
            (False, {}),
        )
        self.assertFalse(any((self.c / d / "HELIOTAB.lnk").exists() for d in LINKS))
