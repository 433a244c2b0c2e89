from harness import E2ETestCase, lang_text, poll

WM_COMMAND, IDOK, IDM_TRAY_INFO = 0x111, 1, 1203


class StartupTest(E2ETestCase):
    def test_window_own_texts_a_single_copy_and_the_about_box_from_the_tray(self):
        st = self.station
        st.settings_path.write_bytes(b"[Percorsi]\r\nFiles .ACC=" + st.exchange_dos.encode())
        first = st.start_and_wait()
        # The hidden owner window other programs look for, and the main window it owns.
        r = self.driver.check("main-window")
        app, main = r.first("app"), r.first("main")
        self.assertEqual(
            [app["class"], app["title"], app["visible"], main["title"], main["owner"]],
            ["ThunderRT6Main", "HELIOTAB", "0", "HELIOTAB", app["hwnd"]],
        )
        # Captions from the language file; no port configured: the port panel says so (330).
        self.assertIn(lang_text(302), self.driver.texts())
        self.assertEqual(self.driver.panel(1), lang_text(330))

        files = lambda: {p: p.stat().st_mtime_ns for p in st.dir.rglob("*")}
        before = files()
        self.assertEqual(st.start().wait(30), 0)  # the second copy ends by itself
        self.assertEqual(files(), before, "and touches no file")
        self.assertIsNone(first.poll())

        self.driver.check("post", WM_COMMAND, IDM_TRAY_INFO, 0)  # chosen in the tray menu
        about = self.driver.wait_dialog(f"{lang_text(201)} HELIOTAB")  # 201: "About"
        self.assertIn(lang_text(203), self.driver.texts("--window", about))  # its description
        self.driver.check("--window", about, "post", WM_COMMAND, IDOK, 0)
        poll(lambda: not self.driver.open_dialogs(), 10, what="the about box closed")
