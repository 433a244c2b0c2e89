"""A whole test on a real line: the wire, the files it leaves and its message. The result file's
bytes are the core output tests'; here the journal and the archive cannot be written, which must
change nothing of the delivery."""

from harness import MEASURING, E2ETestCase, lang_text


class ResultTest(E2ETestCase):
    def test_whole_test_with_an_unwritable_journal_and_archive(self):
        st = self.station
        (st.dir / "HELIOTAB.log").mkdir()  # the journal cannot be appended to
        (st.dir / "Archivio").write_bytes(b"")  # nor the archive's folder made
        acc, item = self.light_reservation()
        others = {p.name: p.read_bytes() for p in st.exchange.glob("*.ACC") if p != acc}
        far = self.start_tester(*MEASURING)
        self.start_program()
        self.wait_online()
        result = acc.with_suffix(".FAR")
        # 602: "result written to"
        self.assertEqual(self.deliver(item), f"{lang_text(602)} '{st.exchange_dos}{result.name}'")
        self.assertIsNone(self.driver.message_box(2))
        self.assertEqual([*st.dir.glob("*.TMP"), *st.exchange.glob("*.FA$")], [])
        data = result.read_bytes()
        self.assertEqual((data[:27], data.count(b"\r\n")), (b"[ProvaFari]\r\nMarca=FARSIM\r\n", 31))
        # The answered reservation is gone, the others are untouched.
        self.assertEqual({p.name: p.read_bytes() for p in st.exchange.glob("*.ACC")}, others)
        # Each offer before the pick is cancelled; the taken one and its results get one ACK each.
        # The wire in farsim's order: each frame sent by its status, each byte received by name.
        wire = [
            r.split()[0] if k == "tx-frame" else r.split()[1]
            for _, k, r in far.events()
            if k in ("tx-frame", "rx")
        ]
        first, taken = wire.index("status=1"), wire.index("ACK")
        offers = ["status=1", "CAN"] * ((taken - 1 - first) // 2)
        self.assertEqual(wire[first : taken + 3], offers + ["status=1", "ACK", "status=2", "ACK"])
