"""The main window's own handling of its port: bytes read just before the port closed for the
options dialog never reach the link behind the dialog."""

from harness import (
    PANEL_PORT,
    TB_OPZIONI,
    T_SEARCHING,
    E2ETestCase,
    lang_text,
    poll,
    requires_road,
)

T_OPTIONS = 401
# farsim answers the first ENQ, then sends identities back to back: bytes are on their way
# whenever the dialog closes the port.
SCENARIO = "wait-enq 60000\n" + "send identity\n" * 5000


@requires_road
class ShellTest(E2ETestCase):
    def test_bytes_just_before_the_options_dialog_do_not_bring_the_link_online(self):
        self.start_tester("--quiet-window", "0", scenario=SCENARIO)
        self.start_program()
        self.wait_online()
        self.driver.check("click-toolbar", TB_OPZIONI)
        self.driver.check(
            "wait-window", "#32770", lang_text(T_OPTIONS), 30000, "--visible", timeout=30
        )
        searching = lang_text(T_SEARCHING)
        with self.assertRaises(TimeoutError):  # the link would go online within milliseconds
            poll(lambda: self.driver.panel(PANEL_PORT) not in (searching, None), 3, 0.1, "change")
        self.assertGreater(len(self.farsim.frames("0")), 1)
