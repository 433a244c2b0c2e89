"""The result file's bytes are the core output tests'; here: the wire of a whole test on a real
line, which files it leaves, and the message."""

from harness import ACK, CAN, MEASURING, T_DONE, T_DONE_TITLE, E2ETestCase, lang_text
from harness import light_reservation, poll, requires_road


@requires_road
class ResultTest(E2ETestCase):
    def test_light_vehicle_whole_test(self):
        st = self.station
        acc, item, operator = light_reservation(st.exchange)
        others = {p.name: p.read_bytes() for p in st.exchange.glob("*.ACC") if p != acc}
        far = self.start_tester(*MEASURING)
        self.start_program()
        self.wait_online()
        self.pick(item)
        result = acc.with_suffix(".FAR")
        self.assert_box(T_DONE_TITLE, f"{lang_text(T_DONE)} '{st.exchange_dos}{result.name}'")
        self.driver.answer("ok")
        temporary = lambda: [*st.dir.glob("*.TMP"), *st.exchange.glob("*.FA$")]
        poll(lambda: not temporary(), 10, 0.1, "no temporary file once the message is closed")
        data = result.read_bytes()
        self.assertEqual((data[:27], data.count(b"\r\n")), (b"[ProvaFari]\r\nMarca=FARSIM\r\n", 31))
        self.assertTrue(data.endswith(f"Operatore={operator}\r\n".encode("cp1252")))
        # The answered reservation is gone, the others are untouched.
        self.assertEqual({p.name: p.read_bytes() for p in st.exchange.glob("*.ACC")}, others)
        # Each offer before the pick is cancelled; the taken one and its results get one ACK each.
        frames = [f for f in far.frames() if f["status"] in "12"]
        i = [f["status"] for f in frames].index("2")
        self.assertEqual(
            [far.rx_after(a["etx"], b["etx"]) for a, b in zip(frames, frames[1 : i + 1])],
            [[CAN]] * (i - 1) + [[ACK]],
        )
        self.assertEqual(far.rx_after(frames[i]["etx"])[:1], [ACK])
