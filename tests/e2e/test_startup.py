from harness import (
    APP_CLASS,
    APP_TITLE,
    CBO,
    PANEL_PORT,
    T_NO_PORT,
    E2ETestCase,
    ini_bytes,
    lang_text,
    requires_exe,
    test_language,
)

NO_RESOURCE = "No resource!"
CAPTION_IDS = (302, 305, 306, 307, 308, 309, 310, 311, 312, 313, 314, 315, 316, 317)
BINARY = bytes(range(256)) * 8 + b"\x00\x1a\r\r\n[\x00]\n=\xff\xfe"
HUGE, HUGE_B = b"A" * (1024 * 1024), b"B" * (1024 * 1024)


@requires_exe
class StartupTest(E2ETestCase):
    def test_window_identity_own_texts_and_a_single_copy(self):
        st = self.station
        st.write(
            st.settings_path,
            [
                ("Impostazioni", [("Lingua", "Italiano")]),
                ("Percorsi", [("Files .ACC", st.exchange_dos)]),
            ],
        )
        first = st.start_and_wait()
        r = self.driver.check("main-window")
        app, main = r.first("app"), r.first("main")
        self.assertEqual((app["class"], app["title"], app["visible"]), (APP_CLASS, APP_TITLE, "0"))
        self.assertEqual(
            (main["title"], main["owner"]), ("HELIOTAB", app["hwnd"]), "owned by the hidden window"
        )
        texts = self.driver.texts()
        self.assertEqual(
            ([i for i in CAPTION_IDS if lang_text(i) not in texts], NO_RESOURCE in texts),
            ([], False),
        )
        # No port configured: the port panel says so, and the list stays closed.
        self.assertEqual(self.driver.panel(PANEL_PORT), lang_text(T_NO_PORT))
        self.assertEqual(self.driver.check("combo-items", CBO).first("combo")["enabled"], "0")

        before = st.files()
        st.start().wait(30)  # the second copy ends by itself
        self.assertEqual(st.files(), before, "and touches no file")
        self.assertIsNone(first.poll())
        self.assertEqual(self.driver.check("main-window").first("main")["hwnd"], main["hwnd"])

    def test_bad_files_beside_the_program(self):
        st = self.station
        acc = b"[Percorsi]\r\nFiles .ACC=" + st.exchange_dos.encode() + b"\r\n"
        rows = [  # (HELIOTAB.ini, Language.ini or None: missing, a caption read from it)
            (BINARY, BINARY, NO_RESOURCE),
            (
                b"[Impostazioni]\r\nLingua=" + HUGE + b"\r\n" + HUGE + b"\r\n" + acc,
                ini_bytes(test_language()) + b"[" + HUGE_B + b"]\r\n302=" + HUGE + b"\r\n",
                lang_text(305),
            ),
            (b"[Impostazioni]\r\nLingua=English\r\n" + acc, None, NO_RESOURCE),
        ]
        for settings, language, caption in rows:
            with self.subTest(settings=settings[:30], language=language and language[:30]):
                st.write(st.settings_path, settings)
                st.language_path.unlink(missing_ok=True)
                if language is not None:
                    st.write(st.language_path, language)
                st.start_and_wait()
                self.assertEqual(self.driver.open_dialogs(), [])
                self.assertIn(caption, self.driver.texts())
                self.assertEqual(st.close(), 0)
