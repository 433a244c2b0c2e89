"""End-to-end harness: the real heliotab.exe under Wine and Xvfb.

One Wine session (Xvfb display + private prefix) serves a whole test run; it is
joined from $HELIOTAB_WINE_SESSION when scripts/test-all.sh made one, otherwise
made here and ended at exit. Each test gets its own program folder (Station) on
the prefix's C: drive, with the exe copied in and its own HELIOTAB.ini and
Language.ini. The UI is driven by uidriver.exe; the tester is played by farsim on
a pty linked as COMn.

Only real-time waits live here, always as polls with generous bounds.
Python standard library only.
"""

import atexit
import hashlib
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
_TAG = os.environ.get("HELIOTAB_BUILD_TAG", "")
NATIVE_DIR = Path(os.environ.get("HELIOTAB_NATIVE_DIR", ROOT / "build" / (f"{_TAG}-native" if _TAG else "native")))
WIN_DIR = Path(os.environ.get("HELIOTAB_WIN_DIR", ROOT / "build" / (f"{_TAG}-win" if _TAG else "win")))
EXE = Path(os.environ.get("HELIOTAB_EXE", WIN_DIR / "heliotab.exe"))
DRIVER = WIN_DIR / "uidriver.exe"
FARSIM = Path(os.environ.get("HELIOTAB_FARSIM", NATIVE_DIR / "farsim"))
DEMOGEN = NATIVE_DIR / "demogen"
DATA_DIR = ROOT / "data"
MASKS = ("Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk")

# Generous bounds: a noisy 2-core machine, cold Wine starts.
START_TIMEOUT = float(os.environ.get("HELIOTAB_E2E_START_TIMEOUT", "60"))
EXIT_TIMEOUT = 30.0

APP_CLASS = "ThunderRT6Main"
APP_TITLE = "HELIOTAB"

have_exe = EXE.is_file() and DRIVER.is_file()
have_farsim = FARSIM.is_file()
have_demogen = DEMOGEN.is_file()
requires_exe = unittest.skipUnless(have_exe, f"{EXE} or {DRIVER} not built")
requires_farsim = unittest.skipUnless(have_farsim, f"{FARSIM} not built")


def poll(predicate, timeout, interval=0.05, what="condition"):
    """Calls predicate until it returns a true value; returns it, or raises after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"{what} not reached within {timeout:.0f} s")
        time.sleep(interval)


# ---------------------------------------------------------------- Wine session

class WineSession:
    """An Xvfb display and a private prefix, shared by every test of the run."""

    def __init__(self):
        self.owned = False
        joined = os.environ.get("HELIOTAB_WINE_SESSION")
        if joined and (Path(joined) / "session.env").is_file():
            self.dir = Path(joined)
        else:
            self.dir = ROOT / "build" / f"e2e-session-{os.getpid()}"
            out = subprocess.run(["bash", str(ROOT / "scripts" / "wine-env.sh"), "start", str(self.dir)],
                                 capture_output=True, text=True, timeout=300)
            if out.returncode != 0:
                raise RuntimeError(f"cannot start a Wine session: {out.stderr}")
            self.owned = True
            atexit.register(self.end)
        self.env = dict(os.environ)
        for line in (self.dir / "session.env").read_text().splitlines():
            m = re.match(r"export (\w+)='(.*)'$", line)
            if m:
                self.env[m.group(1)] = m.group(2)
        self.prefix = Path(self.env["WINEPREFIX"])
        self.drive_c = self.prefix / "drive_c"
        self.display = self.env["DISPLAY"]

    def end(self):
        if self.owned:
            self.owned = False
            subprocess.run(["bash", str(ROOT / "scripts" / "wine-env.sh"), "end", str(self.dir)],
                           capture_output=True, timeout=120)
            shutil.rmtree(self.dir, ignore_errors=True)

    def dos_path(self, path):
        """Windows path of a file on the prefix's C: drive (Z: otherwise)."""
        p = Path(path).resolve()
        try:
            rel = p.relative_to(self.drive_c.resolve())
            return "C:\\" + str(rel).replace("/", "\\") if str(rel) != "." else "C:\\"
        except ValueError:
            return "Z:" + str(p).replace("/", "\\")

    def link_com(self, n, pty):
        link = self.prefix / "dosdevices" / f"com{n}"
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(pty)

    def unlink_com(self, n):
        link = self.prefix / "dosdevices" / f"com{n}"
        if link.is_symlink():
            link.unlink()

    def wine(self, args, timeout=120, **kw):
        return subprocess.run(["wine", *map(str, args)], env=self.env, timeout=timeout, **kw)

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", str(path)],
                       env=self.env, capture_output=True, timeout=60)
        return Path(path)


_session = None


def session():
    global _session
    if _session is None:
        _session = WineSession()
    return _session


def _end_on_signal(signum, frame):
    raise SystemExit(128 + signum)


signal.signal(signal.SIGTERM, _end_on_signal)


# ---------------------------------------------------------------- UI driver

def unescape(value):
    """The driver's escaped Windows-1252 text back to a str."""
    out = bytearray()
    i = 0
    b = value.encode("latin-1", "replace")
    while i < len(b):
        c = b[i]
        if c == 0x5C and i + 1 < len(b):
            n = chr(b[i + 1])
            if n == "x" and i + 3 < len(b):
                out.append(int(b[i + 2:i + 4], 16))
                i += 4
                continue
            out.append({"t": 9, "r": 13, "n": 10, "\\": 92}.get(n, ord(n)))
            i += 2
            continue
        out.append(c)
        i += 1
    return out.decode("cp1252", "replace")


class DriverResult:
    def __init__(self, args, rc, stdout, stderr, elapsed):
        self.args, self.rc, self.stderr, self.elapsed = args, rc, stderr, elapsed
        self.records = []
        for line in stdout.splitlines():
            parts = line.split("\t")
            fields = {}
            for part in parts[1:]:
                key, _, value = part.partition("=")
                fields[key] = unescape(value)
            self.records.append((parts[0], fields))

    @property
    def ok(self):
        return self.rc == 0

    def all(self, kind):
        return [f for k, f in self.records if k == kind]

    def first(self, kind):
        found = self.all(kind)
        return found[0] if found else None

    def __repr__(self):
        return f"uidriver {' '.join(map(str, self.args))} -> rc={self.rc} {self.records} {self.stderr.strip()}"


class Driver:
    """uidriver.exe run under the session's prefix; one process per command."""

    def __init__(self, sess, app_title=None):
        self.session = sess
        self.options = ["--app-title", app_title] if app_title else []

    def run(self, *args, timeout=None):
        wait = timeout if timeout is not None else 60
        start = time.monotonic()
        # Files, not pipes: a Wine helper the driver happens to start (the
        # desktop's explorer.exe) inherits them and outlives the driver.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            rc = subprocess.run(["wine", str(DRIVER), *self.options, *map(str, args)], env=self.session.env,
                                stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=wait + 60).returncode
            out.seek(0)
            err.seek(0)
            return DriverResult(args, rc, out.read().decode("ascii", "replace"),
                                err.read().decode("utf-8", "replace"), time.monotonic() - start)

    def check(self, *args, **kw):
        r = self.run(*args, **kw)
        if not r.ok:
            raise AssertionError(repr(r))
        return r

    # Windows of the program
    def wait_window(self, cls, title, timeout_s, visible=True, idle=False):
        flags = ["--idle"] if idle else (["--visible"] if visible else [])
        return self.run("wait-window", cls, title, int(timeout_s * 1000), *flags, timeout=timeout_s)

    def main_window(self):
        r = self.run("main-window")
        return (r.first("app"), r.first("main")) if r.ok else (r.first("app"), None)

    def is_running(self):
        return self.run("is-running").ok

    def children(self):
        return self.check("list-children").all("control")

    def texts(self):
        return [c["title"] for c in self.children()]

    def status_panels(self):
        return [p["value"] for p in self.check("status-panels").all("panel")]

    def combo_items(self, target=None):
        r = self.check("combo-items", *([target] if target else []))
        return r.first("combo"), [i["value"] for i in r.all("item")]

    def toolbar_state(self, cmd):
        return self.check("toolbar-state", cmd).first("button")

    def click_toolbar(self, cmd, force=False):
        return self.check("click-toolbar", cmd, *(["--force"] if force else []))

    def message_box(self, timeout_s):
        r = self.run("message-box", "wait", int(timeout_s * 1000), timeout=timeout_s)
        box = r.first("msgbox") if r.ok else None
        # The icon is told from the shown pixels: a box still being drawn
        # reads "unknown" for a moment.
        deadline = time.monotonic() + 5
        while box is not None and box.get("icon") == "unknown" and time.monotonic() < deadline:
            time.sleep(0.2)
            again = self.run("message-box", "wait", 1000, timeout=1)
            box = (again.first("msgbox") if again.ok else None) or box
        return box

    def answer(self, button, timeout_s=10):
        return self.check("message-box", "answer", button, int(timeout_s * 1000), timeout=timeout_s)

    def open_dialogs(self):
        return self.run("message-box", "none").all("msgbox")

    def key(self, name, target=None):
        return self.check("key", name, *([target] if target else []))

    def close(self):
        return self.run("close")


# ---------------------------------------------------------------- INI files

def ini_bytes(sections):
    """[(section, [(key, value), ...]), ...] as Windows-1252 text with CR LF."""
    lines = []
    for name, items in sections:
        lines.append(f"[{name}]")
        lines += [f"{k}={v}" for k, v in items]
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def parse_ini(data):
    """(section, key, value) triples in file order, as the profile functions see them
    for well-formed files (blanks around names and values trimmed)."""
    triples = []
    section = None
    for raw in data.split(b"\n"):
        line = raw.rstrip(b"\r").decode("cp1252", "replace").strip()
        if line.startswith("[") and "]" in line:
            section = line[1:line.index("]")].strip()
        elif "=" in line and section is not None:
            k, _, v = line.partition("=")
            triples.append((section, k.strip(), v.strip()))
    return triples


def snapshot(folder):
    """Every file below folder: relative path -> (size, mtime_ns, sha256)."""
    result = {}
    for p in sorted(Path(folder).rglob("*")):
        if p.is_file():
            st = p.stat()
            result[str(p.relative_to(folder))] = (st.st_size, st.st_mtime_ns,
                                                  hashlib.sha256(p.read_bytes()).hexdigest())
    return result


# ---------------------------------------------------------------- program folder

class Station:
    """One program folder with heliotab.exe, its settings and language file, an
    exchange directory, and the running program."""

    _count = 0

    def __init__(self, name, sess=None, language="default", masks=True):
        self.session = sess or session()
        self.driver = Driver(self.session)
        Station._count += 1
        self.dir = self.session.drive_c / "e2e" / f"{name}-{Station._count}"
        shutil.rmtree(self.dir, ignore_errors=True)
        self.dir.mkdir(parents=True)
        shutil.copy2(EXE, self.dir / "heliotab.exe")
        self.exchange = self.dir / "DIR_FAR"
        self.exchange.mkdir()
        self.settings_path = self.dir / "HELIOTAB.ini"
        self.language_path = self.dir / "Language.ini"
        if language == "default":
            self.write_language(test_language())
        elif language is not None:
            self.write_language(language)
        if masks:
            for m in MASKS:
                if (DATA_DIR / m).is_file():
                    shutil.copy2(DATA_DIR / m, self.dir / m)
        self.processes = []
        self.log = []

    # files
    @property
    def exchange_dos(self):
        return self.session.dos_path(self.exchange) + "\\"

    def write_settings(self, content):
        self.settings_path.write_bytes(content if isinstance(content, bytes) else ini_bytes(content))

    def write_language(self, content):
        self.language_path.write_bytes(content if isinstance(content, bytes) else ini_bytes(content))

    def settings(self):
        return parse_ini(self.settings_path.read_bytes()) if self.settings_path.exists() else None

    def files(self):
        return snapshot(self.dir)

    # the program
    def start(self, args=(), env=None):
        cmd = ["wine", self.session.dos_path(self.dir / "heliotab.exe"), *args]
        # Output to a file, never a pipe: Wine helpers started by the program inherit it.
        with open(self.dir.parent / f"{self.dir.name}.stderr", "ab") as err:
            p = subprocess.Popen(cmd, env=dict(self.session.env, **(env or {})), cwd=self.dir, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=err)
        p.started = time.time()
        self.processes.append(p)
        return p

    def wait_main_window(self, timeout=START_TIMEOUT):
        """Waits until the program's main window is visible and idle; returns (app, main)."""
        r = self.driver.wait_window(APP_CLASS, APP_TITLE, timeout, visible=False)
        if not r.ok:
            raise AssertionError(f"no {APP_CLASS} window within {timeout} s: {r}")

        def visible_main():
            app, main = self.driver.main_window()
            return (app, main) if main and main["visible"] == "1" else None
        app, main = poll(visible_main, timeout, 0.1, "visible main window")
        self.driver.check("wait-window", main["class"], main["title"], int(timeout * 1000), "--idle",
                          timeout=timeout)
        return app, main

    def start_and_wait(self, args=(), env=None):
        p = self.start(args, env)
        try:
            app, main = self.wait_main_window()
        except Exception:
            self.stop()
            raise
        return p, app, main

    def wait_exit(self, process, timeout=EXIT_TIMEOUT):
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def close(self, timeout=EXIT_TIMEOUT):
        """Closes the main window as the system would; returns the exit code (None: still running)."""
        r = self.driver.close()
        if not r.ok:
            return None
        return self.wait_exit(self.processes[-1], timeout)

    def stop(self):
        """Ends every program started here, politely first; used by tearDown."""
        for p in self.processes:
            if p.poll() is None:
                self.driver.close()
                if self.wait_exit(p, 10) is None:
                    p.kill()
                    self.wait_exit(p, 20)
        # No window of this copy may survive into the next test.
        poll(lambda: not self.driver.is_running(), 30, 0.2, "program windows gone")


def test_language(name="Italiano", extra=()):
    """A language file of the test's own: every id of the program is 'E2E <id> <name>'."""
    ids = list(range(101, 105)) + list(range(151, 155)) + list(range(201, 211)) + \
        list(range(301, 375)) + list(range(401, 442)) + list(range(601, 613)) + \
        [650, 651, 701, 702]
    return [(name, [(str(i), f"E2E {i} {name}") for i in ids] + list(extra))]


def lang_text(i, name="Italiano"):
    return f"E2E {i} {name}"


# ---------------------------------------------------------------- the tester

class Farsim:
    """farsim on a pty linked as COMn of the prefix; its byte log parsed."""

    LINE = re.compile(r"t=(?P<t>[0-9.]+) (?P<kind>\S+)(?: (?P<rest>.*))?$")

    def __init__(self, sess, workdir, com=3, args=()):
        self.session = sess
        self.com = com
        self.link = Path(workdir) / f"farsim-com{com}"
        self.log_path = Path(workdir) / f"farsim-com{com}.log"
        cmd = [str(FARSIM), "--pty-link", str(self.link), "--log", str(self.log_path), *map(str, args)]
        self.stderr = open(Path(workdir) / f"farsim-com{com}.stderr", "ab")
        self.process = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=self.stderr)
        ready, _, _ = select.select([self.process.stdout], [], [], 30)
        if not ready:
            self.stop()
            raise RuntimeError("farsim did not report its pty")
        self.name = self.process.stdout.readline().decode().strip()
        self.pty = os.path.realpath(self.link)
        sess.link_com(com, self.pty)

    def events(self):
        """[(t_ms, kind, rest)] from the log: kind rx/tx (rest 'HH NAME'), tx-etx, tx-frame, ..."""
        out = []
        if not self.log_path.exists():
            return out
        for line in self.log_path.read_text(errors="replace").splitlines():
            m = self.LINE.match(line)
            if m:
                out.append((float(m["t"]), m["kind"], m["rest"] or ""))
        return out

    def received(self):
        """The bytes farsim received, with their times: [(t_ms, byte)]."""
        return [(t, int(rest.split()[0], 16)) for t, kind, rest in self.events() if kind == "rx"]

    def received_bytes(self):
        return bytes(b for _, b in self.received())

    def wait_received(self, predicate, timeout, what="bytes from the program"):
        return poll(lambda: predicate(self.received_bytes()), timeout, 0.05, what)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        self.process.stdout.close()
        self.stderr.close()
        self.session.unlink_com(self.com)


class E2ETestCase(unittest.TestCase):
    """Base class: a fresh station per test, everything ended in tearDown; a
    screenshot is kept for a failing test."""

    language = "default"

    def setUp(self):
        self.station = Station(self.id().split(".")[-1], language=self.language)
        self.driver = self.station.driver
        self.addCleanup(self.station.stop)
        self.addCleanup(self._screenshot_on_failure)  # runs first: the state as it failed

    def _screenshot_on_failure(self):
        # (inside a cleanup unittest reports success, so look at the result itself)
        result = getattr(getattr(self, "_outcome", None), "result", None)
        if result is None or not any(getattr(t, "test_case", t) is self
                                     for t, _ in result.failures + result.errors):
            return
        shot = ROOT / "build" / "e2e-failures" / f"{self.id()}.png"
        shot.parent.mkdir(parents=True, exist_ok=True)
        try:
            self.station.session.screenshot(shot)
            print(f"\n  screenshot of the failure: {shot}")
        except Exception:
            pass
