"""Start-up, single instance and damaged files beside the real program. Which
settings are read and written back is the core settings tests' (LoadSettingsTest);
Esc is the shell window test's (ShellWindow.EscClosesOnlyWhenTheSettingSaysSo)."""

import os
import time
import unittest

from harness import (APP_CLASS, APP_TITLE, E2ETestCase, ini_bytes, lang_text, requires_exe,
                     test_language)

NO_RESOURCE = "No resource!"

# Captions of the main window's labels and frames: language id -> control.
CAPTION_IDS = (302, 305, 306, 307, 308, 309, 310, 311, 312, 313, 314, 315, 316, 317)
PANEL_PORT = 1
CBO = 1005
TEXT_NO_PORT = 330


def settings(lingua=None, acc=None, esc=None, port=None):
    imp = [(k, v) for k, v in (("Lingua", lingua), ("Chiudi con Esc", esc), ("Porta Seriale", port)) if v is not None]
    sections = [("Impostazioni", imp)]
    if acc is not None:
        sections.append(("Percorsi", [("Files .ACC", acc)]))
    return sections


@requires_exe
class StartupTest(E2ETestCase):
    def test_window_identity_and_own_language_texts(self):
        self.station.write_settings(settings(lingua="Italiano", acc=self.station.exchange_dos))
        # No switch of the environment may open the reservation list without a tester.
        self.station.start_and_wait(env={"HELIOTAB_TEST_ENABLE_COMBO": "1"})
        app, main = self.driver.main_window()
        self.assertEqual((app["class"], app["title"], app["visible"]), (APP_CLASS, APP_TITLE, "0"))
        self.assertEqual(main["title"], "HELIOTAB")
        self.assertEqual(main["owner"], app["hwnd"], "the hidden window owns the main window")
        self.assertEqual(main["visible"], "1")
        texts = self.driver.texts()
        for i in CAPTION_IDS:
            self.assertIn(lang_text(i), texts, f"caption of id {i}")
        self.assertNotIn(NO_RESOURCE, texts)
        # No port configured: the port panel says so, and the list stays closed.
        self.assertEqual(self.driver.status_panels()[PANEL_PORT], lang_text(TEXT_NO_PORT))
        self.assertEqual(self.driver.combo_items(str(CBO))[0]["enabled"], "0")

    def test_second_start_hands_over_without_window_or_file_change(self):
        self.station.write_settings(settings(lingua="Italiano", acc=self.station.exchange_dos))
        first, _, main = self.station.start_and_wait()
        before = self.station.files()
        second = self.station.start()
        self.assertIsNotNone(self.station.wait_exit(second, 30), "the second copy must end by itself")
        self.assertEqual(self.station.files(), before, "the second copy must not touch any file")
        windows = self.driver.check("list-windows").all("window")
        self.assertEqual(len([w for w in windows if w["class"] == APP_CLASS and w["title"] == APP_TITLE]), 1)
        self.assertEqual(len([w for w in windows if w["owner"] != "0x0" and w["title"] == "HELIOTAB"
                              and w["visible"] == "1"]), 1)
        self.assertIsNone(first.poll(), "the first copy keeps running")
        self.assertEqual(self.driver.main_window()[1]["hwnd"], main["hwnd"])

    def test_valid_settings_are_left_untouched(self):
        st = self.station
        st.write_language(test_language("Italiano") + test_language("English"))
        st.write_settings(settings(lingua="English", acc=st.exchange_dos, esc="1", port="0"))
        old = time.time() - 3600
        os.utime(st.settings_path, (old, old))
        before = st.files()
        st.start_and_wait()
        self.assertIn(lang_text(302, "English"), self.driver.texts())
        self.assertEqual(st.close(), 0)
        self.assertEqual(st.files(), before)

    def test_missing_language_file(self):
        st = self.station
        st.language_path.unlink()
        st.write_settings(settings(lingua="English", acc=st.exchange_dos))
        st.start_and_wait()
        texts = self.driver.texts()
        for i in (302, 305, 309, 316):
            self.assertNotIn(lang_text(i), texts)
        self.assertGreaterEqual(texts.count(NO_RESOURCE), len(CAPTION_IDS), texts)
        self.assertEqual(self.driver.status_panels()[PANEL_PORT], NO_RESOURCE)
        self.assertEqual(st.close(), 0)
        self.assertEqual(st.settings(), [("Impostazioni", "Lingua", "Italiano"),
                                         ("Percorsi", "Files .ACC", st.exchange_dos)])


BINARY = bytes(range(256)) * 8 + b"\x00\x1a\r\r\n[\x00]\n=\xff\xfe"
HUGE = b"A" * (1024 * 1024)


@requires_exe
class BadInputTest(E2ETestCase):
    """Damaged files beside the program: it still starts and closes normally."""

    def start_and_close(self):
        self.station.start_and_wait()
        self.assertEqual(self.driver.open_dialogs(), [])
        self.assertEqual(self.station.close(), 0)

    def test_binary_garbage(self):
        self.station.write_settings(BINARY)
        self.station.write_language(BINARY)
        self.start_and_close()

    def test_megabyte_lines(self):
        st = self.station
        st.write_settings(b"[Impostazioni]\r\nLingua=" + HUGE + b"\r\n" + HUGE + b"\r\n[Percorsi]\r\nFiles .ACC="
                          + st.exchange_dos.encode("cp1252") + b"\r\n")
        lang = ini_bytes(test_language())
        st.write_language(lang + b"[" + HUGE.replace(b"A", b"B") + b"]\r\n302=" + HUGE + b"\r\n" + HUGE + b"\r\n")
        self.start_and_close()
        # (values cut short so that a failure report stays readable)
        self.assertIn(("Impostazioni", "Lingua", "Italiano"), [(s, k, v[:40]) for s, k, v in st.settings()])



if __name__ == "__main__":
    unittest.main()
