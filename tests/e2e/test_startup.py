from harness import APP_CLASS, APP_TITLE, CBO, IDM_TRAY_INFO, PANEL_PORT, T_NO_PORT, E2ETestCase
from harness import lang_text, poll, requires_exe

NO_RESOURCE = "No resource!"
CAPTION_IDS = [302, *range(305, 318)]
WM_COMMAND, IDOK, T_ABOUT, T_ABOUT_DESCRIPTION = 0x111, 1, 201, 203


@requires_exe
class StartupTest(E2ETestCase):
    def test_window_own_texts_a_single_copy_and_the_about_box_from_the_tray(self):
        st = self.station
        st.write(st.settings_path, [("Percorsi", [("Files .ACC", st.exchange_dos)])])
        first = st.start_and_wait()
        r = self.driver.check("main-window")
        app, main = r.first("app"), r.first("main")
        self.assertEqual((app["class"], app["title"], app["visible"]), (APP_CLASS, APP_TITLE, "0"))
        self.assertEqual((main["title"], main["owner"]), (APP_TITLE, app["hwnd"]))
        texts = self.driver.texts()
        self.assertEqual([i for i in CAPTION_IDS if lang_text(i) not in texts], [])
        self.assertNotIn(NO_RESOURCE, texts)
        # No port configured: the port panel says so, and the list stays closed.
        self.assertEqual(self.driver.panel(PANEL_PORT), lang_text(T_NO_PORT))
        self.assertEqual(self.driver.check("combo-items", CBO).first("combo")["enabled"], "0")

        before = st.files()
        self.assertEqual(st.start().wait(30), 0)  # the second copy ends by itself
        self.assertEqual(st.files(), before, "and touches no file")
        self.assertIsNone(first.poll())

        self.driver.check("post", WM_COMMAND, IDM_TRAY_INFO, 0)  # chosen in the tray menu
        about = self.driver.wait_dialog(f"{lang_text(T_ABOUT)} {APP_TITLE}")
        self.assertIn(lang_text(T_ABOUT_DESCRIPTION), self.driver.texts("--window", about))
        self.driver.check("--window", about, "post", WM_COMMAND, IDOK, 0)
        poll(lambda: not self.driver.open_dialogs(), 10, 0.1, "the about box closed")
