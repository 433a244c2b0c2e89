"""The UI driver against its own stand-in window tree: every command the program's
tests rely on, checked under Wine before the program exists."""

import subprocess
import unittest

import harness
from harness import DRIVER, Driver, poll, requires_driver, session

TITLE = "E2E-FIXTURE"


@requires_driver
class DriverTest(unittest.TestCase):
    def setUp(self):
        self.session = session()
        self.driver = Driver(self.session, app_title=TITLE)
        self.fixture = subprocess.Popen(["wine", str(DRIVER), "fixture", "app", TITLE], env=self.session.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.addCleanup(self._end_fixture)
        r = self.driver.wait_window("UidriverFixtureMain", TITLE, harness.START_TIMEOUT, idle=True)
        self.assertTrue(r.ok, r)

    def _end_fixture(self):
        if self.fixture.poll() is None:
            self.fixture.kill()
        self.fixture.wait(30)

    def panel(self, index):
        return self.driver.check("status-panel", index).first("panel")["value"]

    def test_finds_hidden_owner_and_main_window(self):
        app, main = self.driver.main_window()
        self.assertEqual(app["class"], "ThunderRT6Main")
        self.assertEqual(app["visible"], "0")
        self.assertEqual(main["owner"], app["hwnd"])
        self.assertEqual(main["title"], TITLE)
        self.assertTrue(self.driver.is_running())
        # The program's own title is not the fixture's: nothing of it runs.
        self.assertFalse(Driver(self.session).is_running())

    def test_reads_controls_and_status_panels_cross_process(self):
        self.assertIn("Revisione in Corso:", self.driver.texts())
        label = self.driver.check("get-text", 302).first("text")
        self.assertEqual(label["value"], "Revisione in Corso:")
        self.assertEqual(self.driver.status_panels(), ["Stato iniziale", "Nessuna porta \u00e8", "06/12/2026", ""])
        self.assertEqual(self.driver.run("status-panel", 9).rc, 1)

    def test_combo_items_and_selection_reach_the_parent(self):
        combo, items = self.driver.combo_items()
        self.assertEqual(items, ["24000001.ACC", "24000002.ACC", "Citt\u00e0 \u00e8"])
        self.assertEqual(combo["selected"], "-1")
        self.driver.check("combo-select", 2)
        poll(lambda: self.panel(0) == "sel 2", 20, what="selection handled")
        self.assertEqual(self.driver.run("combo-select", 7).rc, 1)
        self.driver.check("combo-dropdown")
        poll(lambda: self.panel(1) == "dropped", 20, what="drop-down handled")

    def test_toolbar_refuses_hidden_and_disabled_buttons(self):
        self.assertEqual(self.driver.toolbar_state(1001)["hidden"], "1")
        self.assertEqual(self.driver.toolbar_state(1002)["enabled"], "0")
        self.assertEqual(self.driver.run("click-toolbar", 1001).rc, 1)
        self.assertEqual(self.driver.run("click-toolbar", 1002).rc, 1)
        self.assertEqual(self.driver.run("toolbar-state", 4242).rc, 1)

    def test_message_box_is_seen_and_answered(self):
        self.assertEqual(self.driver.open_dialogs(), [])
        for answer in ("no", "yes"):
            self.driver.click_toolbar(1003)
            box = self.driver.message_box(20)
            self.assertIsNotNone(box)
            self.assertEqual((box["title"], box["text"], box["buttons"]),
                             ("Domanda", "Fermare il test?", "yes,no"))
            self.driver.answer(answer)
            poll(lambda: self.panel(0) == f"answer {answer}", 20, what="answer handled")
        self.assertIsNone(self.driver.message_box(0.2))

    def test_message_box_icons_are_told_apart(self):
        for style, icon, button in ((16, "stop", "ok"), (36, "question", "yes"), (48, "exclamation", "ok"),
                                    (64, "information", "ok"), (0, "none", "ok")):
            with self.subTest(style=style):
                box = subprocess.Popen(["wine", str(DRIVER), "fixture", "msgbox", "Testo", f"Titolo {style}",
                                        str(style)], env=self.session.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
                try:
                    found = poll(lambda: [b for b in self._all_dialogs() if b["title"] == f"Titolo {style}"],
                                 20, 0.1, "message box")[0]
                    self.assertEqual((found["text"], found["icon"]), ("Testo", icon))
                    Driver(self.session).check("--window", found["hwnd"], "click",
                                               {"ok": "1", "yes": "6"}[button])
                    out, _ = box.communicate(timeout=30)
                    self.assertIn({"ok": "value=1", "yes": "value=6"}[button], out)
                finally:
                    if box.poll() is None:
                        box.kill()
                        box.wait(30)

    def _all_dialogs(self):
        # The fixture's message box belongs to another process than the fixture
        # window, so look without the program filter.
        return Driver(self.session, app_title="no such program").run("message-box", "none").all("msgbox")

    def test_esc_key_reaches_the_program(self):
        self.driver.key("esc")
        self.assertEqual(self.fixture.wait(30), 0)
        self.assertFalse(self.driver.is_running())

    def test_toolbar_click_and_close(self):
        self.driver.click_toolbar(1005)
        self.assertEqual(self.fixture.wait(30), 0)


if __name__ == "__main__":
    unittest.main()
