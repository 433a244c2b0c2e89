"""The road of one test, end to end: helpers shared by the reservation, link,
result and fault tests (and the latency figures), built on harness.py.

A RoadCase has a station (program folder + exchange directory), the demo
reservations of the day from demogen, farsim on a pty linked as COM3, and the
program started with its port set to 3. Expected result files are computed
here from farsim's parameters, independently of the program's own code.
"""

import ctypes
import ctypes.util
import os
import select
import shutil
import signal
import struct
import subprocess
import time
from pathlib import Path

import harness
from harness import (DEMOGEN, Farsim, Station, lang_text, parse_ini, poll, test_language)

COM = 3
STX, ETX, EOT, ENQ, ACK, NAK, CAN = 0x02, 0x03, 0x04, 0x05, 0x06, 0x15, 0x18

# Controls of the main window (src/res/resource.h).
CBO = 1005
LBL_VEHICLE = (1014, 1015, 1016)
LBL_OPERATOR = 1022
LBL_APP = (1040, 1041, 1042, 1043, 1044, 1045)
TB_TEST, TB_FERMA, TB_OPZIONI, TB_INFO, TB_ESCI = 1101, 1102, 1103, 1104, 1105
PANEL_STATO, PANEL_PORT = 0, 1

# Language ids the road passes.
T_PLACEHOLDER = 303
T_SEARCHING, T_ONLINE_PORT = 331, 332
T_SIGNED_OFF, T_MEASURING, T_RESULTS, T_STOPPED, T_ARMED = 334, 335, 336, 337, 338
T_BAD_FRAMES_TITLE, T_BAD_FRAMES = 361, 362
T_STOP_TITLE, T_STOP_QUESTION = 363, 364
T_REJECT_TITLE, T_REJECT = 371, 372
T_DONE_TITLE, T_DONE = 601, 602
T_WRITE_TITLE, T_WRITE = 603, 604
T_ACCESS_TITLE, T_ACCESS = 611, 612
T_NOT_DELIVERED, T_RES_KEPT, T_WARNING_TITLE = 613, 614, 615

# farsim's defaults (tools/farsim/README.md), as the tests rely on them.
IDENTITY = {"make": "FARSIM", "model": "HT-1", "approval": "OM12345", "serial": "0001",
            "version": "1.2A", "expiry": "31122030"}

FAR_KEYS = ("Marca", "Tipo", "NumOmologa", "NumSerie", "NumVersioneSoftware", "DataScadenza",
            "AltezzaAnab", "TipoAnab", "VertAnabDx", "VertAnabSx", "VertAbbDx", "VertAbbSx",
            "OrizzAnabDx", "OrizzAnabSx", "OrizzAbbDx", "OrizzAbbSx", "IllumLuxAnabDx",
            "IllumLuxAnabSx", "IllumLuxAbbDx", "IllumLuxAbbSx", "EsitoIllumLuxAnabDx",
            "EsitoIllumLuxAnabSx", "EsitoIllumLuxAbbDx", "EsitoIllumLuxAbbSx", "Esito", "CodErrore",
            "DataMisura", "InizioMisura", "FineMisura", "Operatore")
TIME_KEYS = ("DataMisura", "InizioMisura", "FineMisura")


def road_language():
    """The harness's test language plus the result writer's delivery messages."""
    return test_language(extra=[(str(i), f"E2E {i} Italiano") for i in (T_NOT_DELIVERED, T_RES_KEPT,
                                                                          T_WARNING_TITLE)])


def road_settings(station, port=COM, close_after=None, extra=()):
    imp = [("Lingua", "Italiano"), ("Porta Seriale", str(port))]
    if close_after is not None:
        imp.append(("Chiudi dopo test", close_after))
    return [("Impostazioni", imp + list(extra)), ("Percorsi", [("Files .ACC", station.exchange_dos)])]


# ---------------------------------------------------------------- reservations

class DemoFile:
    def __init__(self, path, valid, reason):
        self.path = Path(path)
        self.name = self.path.name
        self.valid = valid
        self.reason = reason
        self.data = self.path.read_bytes()
        fields = {(s, k): v for s, k, v in parse_ini(self.data)}
        self.make = fields.get(("DatiLibrettoVeicolo", "Fabbrica"), "")
        self.model = fields.get(("DatiLibrettoVeicolo", "Tipo"), "")
        self.plate = fields.get(("DatiLibrettoVeicolo", "Targa"), "")
        self.operator = fields.get(("Prenotazione", "Operatore"), "")
        self.kind = fields.get(("DatiLibrettoVeicolo", "TipoVeicolo"), "")
        self.description = fields.get(("DatiLibrettoVeicolo", "DescrizioneVeicolo"), "")

    @property
    def item_text(self):
        return f" {self.make} - {self.model} - {self.plate}"

    def __repr__(self):
        return f"{self.name} ({'valid' if self.valid else 'invalid'}: {self.reason})"


def demo_reservations(folder):
    """Writes the day's demo reservations into folder; returns them as DemoFile."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    out = subprocess.run([str(DEMOGEN), str(folder)], capture_output=True, text=True, timeout=60)
    if out.returncode != 0:
        raise RuntimeError(f"demogen failed: {out.stderr}")
    files = []
    for line in out.stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2:
            files.append(DemoFile(folder / parts[0], parts[1] == "valid", parts[2] if len(parts) > 2 else ""))
    return files


def valid_demo(files, kind, description=None):
    for f in files:
        if f.valid and f.kind == kind and (description is None or f.description == description):
            return f
    raise LookupError(f"no valid {kind} {description} reservation in {files}")


# ---------------------------------------------------------------- expected result file

# The sample measurement of a light vehicle (short fixed layout) and the result
# file it gives; the core road tests own every other class, layout and verdict.
LIGHT = {"aim": list("RRARRRRR"), "lux": ["12.5", "11.0", "60.0", "58.5"], "height": "85", "type": "A"}


def expected_far(operator, identity=IDENTITY):
    """The thirty (key, value) pairs of LIGHT's result file; the three time keys
    are None (checked by form and closeness to the clock)."""
    values = [identity["make"], identity["model"], identity["approval"], identity["serial"], identity["version"],
              identity["expiry"], "#085", "#A", *LIGHT["aim"], "012500", "011000", "060000", "058500",
              "R", "R", "R", "R", "A", "", None, None, None, operator]
    return list(zip(FAR_KEYS, values))


def far_lines(data):
    """A result file's lines as (key, value), checking the frame around them."""
    if not data.endswith(b"\r\n"):
        raise AssertionError(f"result file does not end with CR LF: {data[-20:]!r}")
    lines = data[:-2].split(b"\r\n")
    for line in lines:
        if b"\n" in line or b"\r" in line:
            raise AssertionError(f"bare line end in {line!r}")
    if lines[0] != b"[ProvaFari]":
        raise AssertionError(f"first line {lines[0]!r}")
    pairs = []
    for line in lines[1:]:
        k, sep, v = line.decode("cp1252").partition("=")
        if not sep:
            raise AssertionError(f"line without '=': {line!r}")
        pairs.append((k, v))
    return pairs


def clock_seconds(hhmmss):
    h, m, s = int(hhmmss[0:2]), int(hhmmss[2:4]), int(hhmmss[4:6])
    if h > 23 or m > 59 or s > 59:
        raise AssertionError(f"not a time: {hhmmss}")
    return h * 3600 + m * 60 + s


def check_far(testcase, data, expected, wall_from, wall_to, slack=5):
    """Asserts a result file byte for byte (the three times by form and by
    closeness to [wall_from, wall_to], epoch seconds)."""
    got = far_lines(data)
    testcase.assertEqual([k for k, _ in got], list(FAR_KEYS), "thirty keys in order")
    got_map = dict(got)
    for key in TIME_KEYS:
        v = got_map[key]
        testcase.assertRegex(v, r"^\d{8}$" if key == "DataMisura" else r"^\d{6}$", key)
    days = {time.strftime("%d%m%Y", time.localtime(t)) for t in (wall_from - slack, wall_to + slack)}
    testcase.assertIn(got_map["DataMisura"], days)
    lo = time.localtime(wall_from - slack)
    hi = time.localtime(wall_to + slack)
    lo_s, hi_s = lo.tm_hour * 3600 + lo.tm_min * 60 + lo.tm_sec, hi.tm_hour * 3600 + hi.tm_min * 60 + hi.tm_sec
    start, end = clock_seconds(got_map["InizioMisura"]), clock_seconds(got_map["FineMisura"])
    if lo_s <= hi_s:  # (a test across midnight is only checked by form)
        testcase.assertTrue(lo_s <= start <= hi_s, f"InizioMisura {got_map['InizioMisura']} not near the clock")
        testcase.assertTrue(lo_s <= end <= hi_s, f"FineMisura {got_map['FineMisura']} not near the clock")
        testcase.assertLessEqual(start, end)
    # Byte for byte with the measured times put in.
    filled = [(k, got_map[k] if v is None else v) for k, v in expected]
    want = ("[ProvaFari]\r\n" + "".join(f"{k}={v}\r\n" for k, v in filled)).encode("cp1252")
    testcase.assertEqual(data, want)


# ---------------------------------------------------------------- inotify

class Inotify:
    """Linux inotify through ctypes: file events with the moment they were read."""

    IN_MODIFY, IN_CLOSE_WRITE, IN_MOVED_TO, IN_CREATE, IN_DELETE = 0x2, 0x8, 0x80, 0x100, 0x200
    _HDR = struct.Struct("iIII")

    def __init__(self):
        libc = ctypes.CDLL(ctypes.util.find_library("c") or "libc.so.6", use_errno=True)
        self._libc = libc
        self.fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0:
            raise OSError(ctypes.get_errno(), "inotify_init1")
        self.dirs = {}

    def watch(self, folder, mask):
        wd = self._libc.inotify_add_watch(self.fd, str(folder).encode(), mask)
        if wd < 0:
            raise OSError(ctypes.get_errno(), f"inotify_add_watch {folder}")
        self.dirs[wd] = Path(folder)

    def read(self, timeout):
        """[(t_monotonic, mask, path)] of the events ready within timeout seconds."""
        ready, _, _ = select.select([self.fd], [], [], max(0.0, timeout))
        if not ready:
            return []
        t = time.monotonic()
        try:
            buf = os.read(self.fd, 65536)
        except BlockingIOError:
            return []
        out, i = [], 0
        while i < len(buf):
            wd, mask, _cookie, length = self._HDR.unpack_from(buf, i)
            name = buf[i + 16:i + 16 + length].rstrip(b"\0").decode(errors="replace")
            out.append((t, mask, self.dirs.get(wd, Path("?")) / name))
            i += 16 + length
        return out

    def close(self):
        if self.fd >= 0:
            os.close(self.fd)
            self.fd = -1


def farsim_clock_offset(farsim, rounds=5):
    """monotonic() - farsim's t (ms -> s): a marker byte written to the pty's
    slave is logged by farsim with its own clock; the smallest gap is kept."""
    best = None
    fd = os.open(farsim.pty, os.O_RDWR | os.O_NOCTTY)
    try:
        for _ in range(rounds):
            before = len(farsim.received())
            t0 = time.monotonic()
            os.write(fd, b"~")
            t1 = time.monotonic()
            poll(lambda: len(farsim.received()) > before, 10, 0.01, "marker byte in farsim's log")
            t_far = farsim.received()[before][0] / 1000.0
            # farsim stamped the byte after reading it, so t_far maps to >= t0.
            offset = (t0 + t1) / 2 - t_far
            best = offset if best is None or offset > best else best
    finally:
        os.close(fd)
    return best


# ---------------------------------------------------------------- the test case

class RoadCase(harness.E2ETestCase):
    """A station with the road's language; farsim and the program on COM3.
    Cleanup order: screenshot of a failure, the program, then the tester."""

    language = None  # set in setUp
    identity = IDENTITY

    def setUp(self):
        self.station = Station(self.id().split(".")[-1], language=road_language())
        self.driver = self.station.driver
        self.work = self.station.dir.parent / f"{self.station.dir.name}-work"
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir()
        self.farsim = None
        self.mounts = []
        self.addCleanup(self._unmount_all)
        self.addCleanup(self._stop_tester)
        self.addCleanup(self.station.stop)
        self.addCleanup(self._close_politely)
        self.addCleanup(self._screenshot_on_failure)

    # ---- tester
    def start_tester(self, *args, scenario=None, version=None, layout=None):
        if self.farsim is not None:
            self._stop_tester()
        a = [*map(str, args)]
        if version is not None:
            a += ["--version", version]
        if layout is not None:
            a += ["--layout", layout]
        if scenario is not None:
            path = self.work / "scenario.txt"
            path.write_text(scenario)
            a += ["--scenario", str(path)]
        self.farsim = Farsim(self.station.session, self.work, com=COM, args=a)
        return self.farsim

    def _stop_tester(self):
        if self.farsim is not None:
            self.farsim.stop()
            self.farsim = None

    # ---- program
    def start_program(self, args=(), env=None, settings=None, **settings_kw):
        st = self.station
        st.write_settings(settings if settings is not None else road_settings(st, **settings_kw))
        p = st.start(args, env)
        try:
            st.wait_main_window()
        except Exception:
            st.stop()
            raise
        return p

    def close_program(self, timeout=30):
        """Closes the main window; an armed test's question is answered Yes.
        Returns the exit code (None: still running)."""
        p = self.station.processes[-1]
        if p.poll() is not None:
            return p.returncode
        self.driver.close()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if p.poll() is not None:
                return p.returncode
            for b in self.driver.open_dialogs():
                if "yes" in b["buttons"].split(","):
                    self.driver.run("message-box", "answer", "yes", 2000)
            time.sleep(0.1)
        return p.poll()

    def _close_politely(self):
        if self.station.processes and self.station.processes[-1].poll() is None:
            try:
                self.close_program(15)
            except Exception:
                pass

    def controls(self):
        """Every control of the main window by id: {id: record}."""
        return {int(c["id"]): c for c in self.driver.children()}

    def label(self, cid):
        return self.driver.check("get-text", cid).first("text")["value"]

    def panel(self, index):
        """The panel's text, or None when the driver could not read it this time
        (a Wine hiccup right after a start): polls simply ask again."""
        r = self.driver.run("status-panel", index)
        return r.first("panel")["value"] if r.ok and r.first("panel") else None

    def wait_panel(self, index, text, timeout=30):
        return poll(lambda: self.panel(index) == text, timeout, 0.1,
                    f"panel {index} = {text!r} (is {self.panel(index)!r})")

    def wait_online(self, timeout=40):
        """Until the identity is shown and the port panel says online."""
        want = lang_text(T_ONLINE_PORT) + str(COM)
        poll(lambda: self.panel(PANEL_PORT) == want, timeout, 0.1, "tester online")
        return [self.label(i) for i in LBL_APP]

    def combo(self):
        combo, items = self.driver.combo_items(str(CBO))
        return combo, items

    def open_list(self):
        """Opens and closes the drop-down part, which rebuilds the list; the
        driver sends both, so the list is rebuilt when it returns."""
        self.driver.check("combo-dropdown", str(CBO))

    def pick(self, reservation):
        """Chooses the reservation's entry (by its text, the first match)."""
        self.open_list()
        def find():
            combo, items = self.combo()
            return items.index(reservation.item_text) if reservation.item_text in items else None
        index = poll(find, 20, 0.1, f"{reservation.item_text!r} in the list")
        self.driver.check("combo-select", index, str(CBO))
        return index

    def pick_and_wait_armed(self, reservation, timeout=30, measuring=False):
        """Picks the reservation and waits until the test is armed; with
        measuring, a tester that starts at once may already have moved the
        state panel on (measuring, results, a message)."""
        self.pick(reservation)
        want = {lang_text(T_ARMED)}
        if measuring:
            want |= {lang_text(T_MEASURING), lang_text(T_RESULTS)}
        poll(lambda: self.panel(PANEL_STATO) in want or (measuring and self.driver.open_dialogs()),
             timeout, 0.05, f"test armed (state panel {self.panel(PANEL_STATO)!r})")

    def assert_keys_reach_the_list(self):
        """Once no message is open the keys go to the reservation list: Down
        moves its selection from the placeholder to the next entry."""
        poll(lambda: self.driver.open_dialogs() == [], 10, 0.1, "no message open")
        self.assertEqual(self.driver.key("down").first("key")["class"], "ComboBox")
        poll(lambda: self.driver.check("combo-get", str(CBO)).first("combo")["selected"] == "1", 10, 0.1,
             "Down moved the list's selection")

    def box(self, timeout=30):
        b = self.driver.message_box(timeout)
        self.assertIsNotNone(b, "a message box was expected")
        return b

    def assert_box(self, box, title_id, text, icon, buttons="ok"):
        self.assertEqual((box["title"], box["text"], box["icon"], box["buttons"]),
                         (lang_text(title_id), text, icon, buttons))

    def program_pid(self):
        """The Unix process that runs heliotab.exe (the started 'wine' execs the loader)."""
        p = self.station.processes[-1]
        cmd = Path(f"/proc/{p.pid}/cmdline").read_bytes().replace(b"\0", b" ").lower()
        if b"heliotab.exe" not in cmd:
            raise AssertionError(f"process {p.pid} is not the program: {cmd!r}")
        return p.pid

    def kill_program(self):
        p = self.station.processes[-1]
        os.kill(self.program_pid(), signal.SIGKILL)
        p.wait(30)
        poll(lambda: not self.driver.is_running(), 30, 0.1, "program windows gone after the kill")

    # ---- mounts (root only)
    def mount_tmpfs(self, folder, size_kb, readonly=False):
        folder.mkdir(parents=True, exist_ok=True)
        opts = f"size={size_kb}k" + (",ro" if readonly else "")
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", opts, "heliotab-e2e", str(folder)],
                           capture_output=True, text=True)
        if r.returncode != 0:
            self.skipTest(f"cannot mount a tmpfs here: {r.stderr.strip()}")
        self.mounts.append(folder)

    def bind_readonly(self, folder):
        r = subprocess.run(["mount", "--bind", str(folder), str(folder)], capture_output=True, text=True)
        if r.returncode != 0:
            self.skipTest(f"cannot bind-mount here: {r.stderr.strip()}")
        self.mounts.append(folder)
        r = subprocess.run(["mount", "-o", "remount,bind,ro", str(folder)], capture_output=True, text=True)
        if r.returncode != 0:
            self.skipTest(f"cannot make a bind mount read-only here: {r.stderr.strip()}")

    def remount(self, folder, opts):
        subprocess.run(["mount", "-o", f"remount,{opts}", str(folder)], check=True, capture_output=True)

    def _unmount_all(self):
        while self.mounts:
            folder = self.mounts.pop()
            subprocess.run(["umount", "-l", str(folder)], capture_output=True)


def measurement_args(result=LIGHT, layout="short", signoff_after=60000, result_after=200):
    """farsim in demo mode: offers a measurement every 0.4 s until the program
    takes one, sends these results, then stays quiet until it signs off."""
    args = ["--demo", "--demo-interval", "400", "--measure-after", "300", "--result-after", result_after,
            "--signoff-after", signoff_after, "--layout", layout,
            "--aim", ",".join(result["aim"]), "--lux", ",".join(result["lux"]),
            "--height", result["height"], "--type", result["type"]]
    if "config" in result:
        args += ["--config", result["config"]]
    return args


# ---------------------------------------------------------------- farsim's log

def sent_frames(farsim):
    """The frames farsim sent: [{'status', 'attempt', 'fault', 'etx'}] in order
    (etx: time of the frame's ETX in farsim's ms, None while unsent)."""
    frames = []
    for t, kind, rest in farsim.events():
        if kind == "tx-frame":
            f = dict(p.split("=", 1) for p in rest.split() if "=" in p)
            f["etx"] = None
            frames.append(f)
        elif kind == "tx-etx" and frames and frames[-1]["etx"] is None:
            frames[-1]["etx"] = t
    return frames


def rx_between(farsim, t_from, t_to=float("inf")):
    """[(t, byte)] the program sent strictly after t_from, up to t_to."""
    return [(t, b) for t, b in farsim.received() if t_from < t <= t_to]


def log_has(farsim, kind, text=""):
    return any(k == kind and text in rest for _, k, rest in farsim.events())


def wait_log(farsim, kind, text="", timeout=30):
    poll(lambda: log_has(farsim, kind, text), timeout, 0.05, f"'{kind} {text}' in farsim's log")
    return [(t, rest) for t, k, rest in farsim.events() if k == kind and text in rest]
