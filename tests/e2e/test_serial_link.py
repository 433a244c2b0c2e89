"""The tester simulator on a pty seen by Windows programs as COM3: the plumbing every
exchange test stands on (pty link in the prefix, byte log with times)."""

import tempfile
import unittest

from harness import Driver, Farsim, requires_driver, requires_farsim, session

STX, ETX, ENQ, ACK = 0x02, 0x03, 0x05, 0x06


def checksum(frame):
    """Two upper-case hex digits of the low byte of the sum between STX and the checksum."""
    return f"{sum(frame[1:-2]) & 0xFF:02X}".encode()


@requires_driver
@requires_farsim
class SerialLinkTest(unittest.TestCase):
    def setUp(self):
        self.session = session()
        self.work = tempfile.TemporaryDirectory(dir=self.session.dir)
        self.addCleanup(self.work.cleanup)
        self.farsim = Farsim(self.session, self.work.name, com=3)
        self.addCleanup(self.farsim.stop)
        self.driver = Driver(self.session)

    def exchange(self, data, wait_ms):
        r = self.driver.check("fixture", "serial", 3, data.hex(), wait_ms, timeout=wait_ms / 1000 + 30)
        return bytes.fromhex(r.first("serial")["read"])

    def test_enq_is_answered_with_an_identity_frame_and_logged(self):
        got = self.exchange(bytes([ENQ]), 3000)
        start = got.index(STX)
        end = got.index(ETX, start)
        frame = got[start:end]
        self.assertEqual(frame[1:4], b"FAR")
        self.assertEqual(frame[-2:], checksum(frame))
        self.assertIn(len(frame), (57, 79), "identity frame of the short or long layout")

        self.farsim.wait_received(lambda b: ENQ in b, 20, "ENQ in the simulator's log")
        rx = self.farsim.received()
        self.assertEqual(rx[0][1], ENQ)
        sent = [(t, kind) for t, kind, _ in self.farsim.events() if kind == "tx-etx"]
        self.assertTrue(sent, "the simulator logs the end of its frame")
        self.assertGreaterEqual(sent[0][0], rx[0][0], "the frame follows the ENQ")

        self.exchange(bytes([ACK]), 200)
        self.farsim.wait_received(lambda b: b.endswith(bytes([ACK])), 20, "ACK in the simulator's log")


if __name__ == "__main__":
    unittest.main()
