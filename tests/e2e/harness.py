"""heliotab.exe under Wine, driven by uidriver.exe; farsim plays the tester. Waits are bounded."""

import os, re, select, shutil, signal, subprocess, tempfile, time, unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
NATIVE_DIR = Path(os.environ.get("HELIOTAB_NATIVE_DIR", ROOT / "build/native"))
WIN_DIR = Path(os.environ.get("HELIOTAB_WIN_DIR", ROOT / "build/win"))
EXE = Path(os.environ.get("HELIOTAB_EXE", WIN_DIR / "heliotab.exe"))
DRIVER, FARSIM, DEMOGEN = WIN_DIR / "uidriver.exe", NATIVE_DIR / "farsim", NATIVE_DIR / "demogen"
APP_CLASS, APP_TITLE, MAIN_CLASS = "ThunderRT6Main", "HELIOTAB", "HELIOTAB_frmMain"
have_exe = EXE.is_file() and DRIVER.is_file()
requires_exe = unittest.skipUnless(have_exe, f"{EXE} or {DRIVER} not built")
requires_road = unittest.skipUnless(
    have_exe and FARSIM.is_file() and DEMOGEN.is_file(), "exe, driver, farsim or demogen not built"
)
COM, EOT, ENQ, ACK, CAN = 3, 0x04, 0x05, 0x06, 0x18
# src/res/resource.h and src/app/frmMain_win32.h
CBO, LBL_APP, TB_TEST, TB_OPZIONI, IDM_TRAY_INFO = 1005, range(1040, 1046), 1101, 1103, 1203
PANEL_STATO, PANEL_PORT = 0, 1
T_NO_PORT, T_SEARCHING, T_ONLINE_PORT, T_SIGNED_OFF, T_DONE_TITLE, T_DONE = (
    330,
    331,
    332,
    334,
    601,
    602,
)
# farsim offers a measurement every 0.4 s until the program takes one, then sends the results.
MEASURING = ("--demo", "--demo-interval", "400", "--measure-after", "300", "--result-after", "200")
# A killed run still gets its cleanups (stations stopped, ports unlinked).
signal.signal(signal.SIGTERM, lambda signum, frame: (_ for _ in ()).throw(SystemExit(128 + signum)))


def poll(predicate, timeout, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() >= deadline:
            raise TimeoutError(f"{what} not reached within {timeout:.0f} s")
        time.sleep(interval)
    return value


class WineSession:  # joins the session of scripts/wine-env.sh (heliotab_wine_session_start DIR)
    def __init__(self):
        if not os.environ.get("HELIOTAB_WINE_SESSION"):
            raise RuntimeError("no Wine session: see scripts/wine-env.sh")
        self.env = dict(os.environ)
        self.drive_c = Path(self.env["WINEPREFIX"]) / "drive_c"

    def dos_path(self, path):
        return "C:\\" + str(Path(path).resolve().relative_to(self.drive_c.resolve())).replace(
            "/", "\\"
        )

    def link_com(self, n, target=None):  # no target: unlinked
        (com := self.drive_c.parent / "dosdevices" / f"com{n}").unlink(missing_ok=True)
        target and com.symlink_to(target)


def session():
    session.shared = getattr(session, "shared", None) or WineSession()
    return session.shared


def unescape(value):  # the driver writes Windows-1252 bytes, all but printable ASCII as \xNN
    raw = re.sub(rb"\\x(..)", lambda m: bytes.fromhex(m[1].decode()), value.encode("latin-1"))
    return raw.decode("cp1252", "replace")


class DriverResult:  # records: (kind, {field: value}) per line "kind<TAB>key=value<TAB>..."
    def __init__(self, rc, stdout):
        self.rc, self.ok = rc, rc == 0
        self.records = [
            (p[0], {k: unescape(v) for k, _, v in (f.partition("=") for f in p[1:])})
            for p in (line.split("\t") for line in stdout.splitlines())
        ]

    def all(self, kind):
        return [f for k, f in self.records if k == kind]

    def first(self, kind):
        return next(iter(self.all(kind)), None)


class Driver:
    def __init__(self, sess):
        self.session = sess

    def run(self, *args, timeout=60):
        # Output to a file: a Wine helper the driver may start inherits pipes and outlives it.
        with tempfile.TemporaryFile() as out:
            rc = subprocess.run(
                ["wine", DRIVER, *map(str, args)],
                env=self.session.env,
                stdin=subprocess.DEVNULL,
                stdout=out,
                stderr=subprocess.DEVNULL,
                timeout=timeout + 60,
            ).returncode
            out.seek(0)
            return DriverResult(rc, out.read().decode("ascii", "replace"))

    def check(self, *args, **kw):
        r = self.run(*args, **kw)
        if not r.ok:
            raise AssertionError(f"uidriver {args} -> rc={r.rc} {r.records}")
        return r

    def controls(self, *window):  # {id: fields} of every control below the window
        return {c["id"]: c for c in self.check(*window, "list-children").all("control")}

    def texts(self, *window):
        return [c["title"] for c in self.controls(*window).values()]

    def panel(self, index):  # None when unreadable this time (a Wine hiccup right after a start)
        return (self.run("status-panel", index).first("panel") or {}).get("value")

    def message_box(self, timeout_s):
        ms = int(timeout_s * 1000)
        return self.run("message-box", "wait", ms, timeout=timeout_s).first("msgbox")

    def answer(self, button):
        return self.check("message-box", "answer", button, 10000)

    def open_dialogs(self):
        return self.run("message-box", "none").all("msgbox")

    def wait_dialog(self, title, timeout=30):  # a dialog of the program: its hwnd
        dialog = lambda: next((b["hwnd"] for b in self.open_dialogs() if b["title"] == title), 0)
        return poll(dialog, timeout, 0.1, f"dialog {title!r}")


def ini_bytes(sections):
    text = "".join(
        f"[{name}]\r\n" + "".join(f"{k}={v}\r\n" for k, v in items) for name, items in sections
    )
    return text.encode("cp1252")


def lang_text(i, name="Italiano"):
    return f"E2E {i} {name}"


def test_language(name="Italiano"):  # a language file of the tests' own: every id has a text
    return [(name, [(str(i), lang_text(i, name)) for i in range(100, 1000)])]


def road_settings(station, extra=()):
    return [
        ("Impostazioni", [("Lingua", "Italiano"), ("Porta Seriale", str(COM)), *extra]),
        ("Percorsi", [("Files .ACC", station.exchange_dos)]),
    ]


class Station:
    _count = 0

    def __init__(self, name, sess=None, language="default"):
        self.session = sess or session()
        self.driver, self.processes = Driver(self.session), []
        Station._count += 1
        self.dir = self.session.drive_c / "e2e" / f"{name}-{Station._count}"
        shutil.rmtree(self.dir, ignore_errors=True)
        self.exchange = self.dir / "DIR_FAR"
        self.exchange.mkdir(parents=True)
        for f in [EXE, *ROOT.glob("data/*.msk")]:
            shutil.copy2(f, self.dir / ("heliotab.exe" if f == EXE else f.name))
        self.settings_path, self.language_path = (
            self.dir / "HELIOTAB.ini",
            self.dir / "Language.ini",
        )
        self.write(self.language_path, test_language() if language == "default" else language)

    @property
    def exchange_dos(self):
        return self.session.dos_path(self.exchange) + "\\"

    def write(self, path, content):
        path.write_bytes(content if isinstance(content, bytes) else ini_bytes(content))

    def files(self):
        return {
            p: (p.stat().st_mtime_ns, p.read_bytes()) for p in self.dir.rglob("*") if p.is_file()
        }

    def start(self, args=()):
        # stderr to a file, never a pipe: Wine helpers started by the program inherit it.
        with open(self.dir.parent / f"{self.dir.name}.stderr", "ab") as err:
            exe = self.session.dos_path(self.dir / "heliotab.exe")
            self.processes.append(
                subprocess.Popen(
                    ["wine", exe, *args],
                    env=self.session.env,
                    cwd=self.dir,
                    stdin=subprocess.DEVNULL,
                    stdout=subprocess.DEVNULL,
                    stderr=err,
                )
            )
        return self.processes[-1]

    def wait_main_window(self, timeout=60):
        shown = lambda: (self.driver.run("main-window").first("main") or {}).get("visible") == "1"
        poll(shown, timeout, 0.1, "the main window shown")

    def start_and_wait(self, args=()):
        p = self.start(args)
        self.wait_main_window()
        return p

    def close(self, timeout=30, p=None):  # WM_CLOSE, an armed test's question answered Yes
        p = p or self.processes[-1]
        if p.poll() is None and self.driver.run("close").ok:
            deadline = time.monotonic() + timeout
            while p.poll() is None and time.monotonic() < deadline:
                if any("yes" in b["buttons"] for b in self.driver.open_dialogs()):
                    self.driver.run("message-box", "answer", "yes", 2000)
                time.sleep(0.1)
        return p.poll()  # the exit code, None while it runs

    def stop(self):
        for p in self.processes:
            if p.poll() is None and self.close(10, p) is None:
                p.kill(), p.wait(30)
        # none may survive into the next test
        poll(lambda: not self.driver.run("main-window").ok, 30, 0.2, "program windows gone")


class Farsim:
    LINE = re.compile(r"t=([0-9.]+) (\S+) ?(.*)$")

    def __init__(self, sess, workdir, com=COM, args=()):
        self.session, self.com = sess, com
        self.link, self.log_path = (Path(workdir) / f"farsim-com{com}{e}" for e in ("", ".log"))
        self.stderr = open(Path(workdir) / f"farsim-com{com}.stderr", "ab")
        self.process = subprocess.Popen(
            [FARSIM, "--pty-link", self.link, "--log", self.log_path, *map(str, args)],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=self.stderr,
        )
        if (
            not select.select([self.process.stdout], [], [], 30)[0]
            or not self.process.stdout.readline()
        ):
            raise RuntimeError("farsim did not report its pty")
        self.pty = os.path.realpath(self.link)
        # The link itself, not the pty behind it: a hang-up makes a new pty behind the same link.
        sess.link_com(com, self.link)

    def events(self):  # [(t_ms, kind, rest)]: kind rx/tx (rest 'HH NAME'), tx-frame, tx-etx, ...
        text = self.log_path.read_text(errors="replace") if self.log_path.exists() else ""
        return [(float(m[1]), m[2], m[3]) for m in map(self.LINE.match, text.splitlines()) if m]

    def received(self):
        return [(t, int(rest.split()[0], 16)) for t, kind, rest in self.events() if kind == "rx"]

    def received_bytes(self):
        return bytes(b for _, b in self.received())

    def frames(self, status=None):  # [{'status', 'attempt', 'fault', 'etx'}]; etx: its ms or None
        frames = []
        for t, kind, rest in self.events():
            if kind == "tx-frame":
                frames.append(dict([p.split("=", 1) for p in rest.split() if "=" in p], etx=None))
            elif kind == "tx-etx" and frames and frames[-1]["etx"] is None:
                frames[-1]["etx"] = t
        return [f for f in frames if status in (None, f["status"])]

    def rx_after(self, t_from, t_to=float("inf")):
        return [b for t, b in self.received() if t_from < t <= t_to]

    def stop(self):
        self.process.terminate()
        self.process.wait(10)
        self.process.stdout.close()
        self.stderr.close()
        self.session.link_com(self.com)


def light_reservation(folder):  # demogen's, in folder; a valid light one: (path, item, operator)
    Path(folder).mkdir(parents=True, exist_ok=True)
    out = subprocess.run([DEMOGEN, folder], capture_output=True, text=True, timeout=60, check=True)
    for name in [w[0] for w in map(str.split, out.stdout.splitlines()) if w[1:2] == ["valid"]]:
        f = dict(re.findall(r"(?m)^(\w+)=([^\r\n]*)", (Path(folder) / name).read_text("cp1252")))
        if f.get("TipoVeicolo") == "LEGGERO":
            item = f" {f['Fabbrica']} - {f['Tipo']} - {f['Targa']}"
            return Path(folder) / name, item, f["Operatore"]
    raise LookupError("no valid light-vehicle demo reservation")


class E2ETestCase(unittest.TestCase):
    language = "default"

    def setUp(self):
        self.station = Station(self.id().split(".")[-1], language=self.language)
        self.driver, self.work, self.farsim = self.station.driver, self.station.dir / "work", None
        self.work.mkdir()
        self.addCleanup(lambda: self.farsim and self.farsim.stop())
        self.addCleanup(self.station.stop)

    def start_tester(self, *args, scenario=None):
        if scenario is not None:
            (self.work / "scenario.txt").write_text(scenario)
            args += ("--scenario", self.work / "scenario.txt")
        self.farsim = Farsim(self.station.session, self.work, args=args)
        return self.farsim

    def start_program(self, settings=None):
        self.station.write(self.station.settings_path, settings or road_settings(self.station))
        return self.station.start_and_wait()

    def wait_panel(self, index, text, timeout=40):
        poll(lambda: self.driver.panel(index) == text, timeout, 0.1, f"panel {index} = {text!r}")

    def wait_online(self):
        self.wait_panel(PANEL_PORT, lang_text(T_ONLINE_PORT) + str(COM))

    def pick(self, item_text):  # opening the list rebuilds it
        self.driver.check("combo-dropdown", CBO)
        items = lambda: [i["value"] for i in self.driver.check("combo-items", CBO).all("item")]
        poll(lambda: item_text in items(), 20, 0.1, f"{item_text!r} listed")
        self.driver.check("combo-select", items().index(item_text), CBO)

    def assert_box(self, title_id, text, buttons="ok", timeout=40):
        box = self.driver.message_box(timeout)
        self.assertIsNotNone(box, "a message box was expected")
        self.assertEqual(
            (box["title"], box["text"], box["buttons"]), (lang_text(title_id), text, buttons)
        )
