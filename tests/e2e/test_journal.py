"""A journal and an archive that cannot be written change nothing of the delivery."""

from harness import MEASURING, T_DONE, T_DONE_TITLE, E2ETestCase, lang_text
from harness import light_reservation, requires_road


@requires_road
class JournalTest(E2ETestCase):
    def test_unwritable_journal_and_archive_keep_delivering(self):
        st = self.station
        (st.dir / "HELIOTAB.log").mkdir()  # the journal cannot be appended to
        (st.dir / "Archivio").write_bytes(b"")  # nor the archive's folder made
        acc, item, operator = light_reservation(st.exchange)
        self.start_tester(*MEASURING)
        self.start_program()
        self.wait_online()
        self.pick(item)
        result = acc.with_suffix(".FAR")
        self.assert_box(T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}{result.name}'")
        self.driver.answer("ok")
        data = result.read_bytes()
        self.assertEqual((data[:27], data.count(b"\r\n")), (b"[ProvaFari]\r\nMarca=FARSIM\r\n", 31))
        self.assertTrue(data.endswith(f"Operatore={operator}\r\n".encode("cp1252")))
        self.assertIsNone(self.driver.message_box(2))
        self.assertEqual(((st.dir / "Archivio").read_bytes(), acc.exists()), (b"", False))
