"""heliotab.exe under Wine, driven by uidriver.exe; farsim plays the tester. Waits are bounded."""

import functools, os, re, shutil, signal, subprocess, tempfile, time, unittest
from pathlib import Path, PureWindowsPath

ROOT = Path(__file__).resolve().parents[2]
NATIVE_DIR = Path(os.environ.get("HELIOTAB_NATIVE_DIR", ROOT / "build/native"))
WIN_DIR = Path(os.environ.get("HELIOTAB_WIN_DIR", ROOT / "build/win"))
EXE, DRIVER = WIN_DIR / "heliotab.exe", WIN_DIR / "uidriver.exe"
FARSIM, DEMOGEN = NATIVE_DIR / "farsim", NATIVE_DIR / "demogen"
have_exe = all(p.is_file() for p in (EXE, DRIVER, FARSIM, DEMOGEN))
# The port the stations use; the toolbar's test button and the reservation list
# (src/res/resource.h).
COM, TB_TEST, CBO = 3, 1101, 1005
# farsim offers a measurement every 0.4 s until the program takes one, then sends the results.
MEASURING = ("--demo", "--demo-interval", "400", "--measure-after", "300", "--result-after", "200")
# A killed run still gets its cleanups (stations stopped, ports unlinked).
signal.signal(signal.SIGTERM, lambda signum, frame: (_ for _ in ()).throw(SystemExit(128 + signum)))


def poll(predicate, timeout, interval=0.1, what="condition"):
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
        self.env, self.drive_c = os.environ, Path(os.environ["WINEPREFIX"]) / "drive_c"

    def dos_path(self, path):
        return str(PureWindowsPath("C:/", Path(path).resolve().relative_to(self.drive_c.resolve())))

    def link_com(self, n, target=None):  # no target: unlinked
        (com := self.drive_c.parent / "dosdevices" / f"com{n}").unlink(missing_ok=True)
        target and com.symlink_to(target)


@functools.cache
def session():
    return WineSession()


class DriverResult:  # records: (kind, {field: value}) per line "kind<TAB>key=value<TAB>..."
    def __init__(self, rc, stdout):
        # The driver writes Windows-1252 bytes, all but printable ASCII as \xNN.
        unescape = lambda v: v.encode().decode("unicode_escape").encode("latin-1").decode("cp1252")
        self.ok, self.records = rc == 0, []
        for line in stdout.splitlines():
            kind, *fields = line.split("\t")
            self.records.append(
                (kind, {k: unescape(v) for k, v in (f.split("=", 1) for f in fields)})
            )

    def all(self, kind):
        return [f for k, f in self.records if k == kind]

    def first(self, kind):
        return (self.all(kind) or [None])[0]


class Driver:
    def run(self, *args, timeout=60):
        # Output to a file: a Wine helper the driver may start inherits pipes and outlives it.
        with tempfile.TemporaryFile() as out:
            rc = subprocess.run(
                ["wine", DRIVER, *map(str, args)],
                stdout=out,
                stderr=subprocess.DEVNULL,
                timeout=timeout + 60,
            ).returncode
            out.seek(0)
            return DriverResult(rc, out.read().decode("latin-1"))

    def check(self, *args, **kw):
        r = self.run(*args, **kw)
        if not r.ok:
            raise AssertionError(f"uidriver {args} failed: {r.records}")
        return r

    def controls(self, *window):  # {id: fields} of every control below the window
        return {c["id"]: c for c in self.check(*window, "list-children").all("control")}

    def texts(self, *window):
        return [c["title"] for c in self.controls(*window).values()]

    def panel(self, index):  # None when unreadable this time (a Wine hiccup right after a start)
        return (self.run("status-panel", index).first("panel") or {}).get("value")

    def message_box(self, timeout):
        return self.run("message-box", "wait", timeout * 1000, timeout=timeout).first("msgbox")

    def open_dialogs(self):
        return self.run("message-box", "none").all("msgbox")

    def wait_dialog(self, title):  # a dialog of the program: its hwnd
        dialog = lambda: next((b["hwnd"] for b in self.open_dialogs() if b["title"] == title), 0)
        return poll(dialog, 30, what=f"dialog {title!r}")


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
    def __init__(self, name, sess=None, language=None):
        self.session, self.driver, self.processes = sess or session(), Driver(), []
        self.dir = self.session.drive_c / "e2e" / name
        shutil.rmtree(self.dir, ignore_errors=True)
        self.exchange = self.dir / "DIR_FAR"
        self.exchange.mkdir(parents=True)
        for f in [EXE, *ROOT.glob("data/*.msk")]:
            shutil.copy2(f, self.dir)
        self.settings_path = self.dir / "HELIOTAB.ini"
        self.write(self.dir / "Language.ini", language or test_language())

    @property
    def exchange_dos(self):
        return self.session.dos_path(self.exchange) + "\\"

    def write(self, path, content):
        path.write_bytes(content if isinstance(content, bytes) else ini_bytes(content))

    def start(self, args=()):
        # Output to nowhere, never a pipe: Wine helpers started by the program inherit it.
        exe = self.session.dos_path(self.dir / "heliotab.exe")
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(subprocess.Popen(["wine", exe, *args], cwd=self.dir, **quiet))
        return self.processes[-1]

    def wait_main_window(self):
        shown = lambda: (self.driver.run("main-window").first("main") or {}).get("visible") == "1"
        poll(shown, 60, what="the main window shown")

    def start_and_wait(self):
        p = self.start()
        self.wait_main_window()
        return p

    def close(self, p=None):  # WM_CLOSE, an armed test's question answered Yes
        p = p or self.processes[-1]
        if p.poll() is None and self.driver.run("close").ok:
            deadline = time.monotonic() + 30
            while p.poll() is None and time.monotonic() < deadline:
                self.driver.run("message-box", "answer", "yes", 100)
        return p.poll()  # the exit code, None while it runs

    def stop(self):
        for p in self.processes:
            if self.close(p) is None:
                p.kill()
        # none may survive into the next test
        poll(lambda: not self.driver.run("main-window").ok, 30, what="program windows gone")


class Farsim:
    def __init__(self, sess, workdir, com=COM, args=()):
        self.session, self.com = sess, com
        self.link = Path(workdir) / f"farsim-com{com}"
        self.log_path = Path(f"{self.link}.log")
        self.link.unlink(missing_ok=True)
        run = [FARSIM, "--pty-link", self.link, "--log", self.log_path, *map(str, args)]
        self.process = subprocess.Popen(run, stdout=subprocess.DEVNULL)  # its errors: our stderr
        poll(self.link.exists, 30, what="farsim's pty")
        # The link itself, not the pty behind it: a hang-up makes a new pty behind the same link.
        sess.link_com(com, self.link)

    def events(self):  # [(t_ms, kind, rest)]: kind rx/tx (rest 'HH NAME'), tx-frame, tx-etx, ...
        text = self.log_path.read_text(errors="replace")
        return [(float(t), k, r) for t, k, r in re.findall(r"(?m)^t=([0-9.]+) (\S+) ?(.*)$", text)]

    def received(self):  # [(t_ms, byte)]
        return [(t, int(rest[:2], 16)) for t, kind, rest in self.events() if kind == "rx"]

    def received_bytes(self):
        return bytes(b for _, b in self.received())

    def stop(self):
        self.process.terminate()
        self.process.wait(10)
        self.session.link_com(self.com)


class E2ETestCase(unittest.TestCase):
    language = None

    def setUp(self):
        if not have_exe:
            self.skipTest("heliotab.exe, uidriver.exe, farsim or demogen not built")
        self.station = Station(self.id().split(".")[-1], language=self.language)
        self.driver, self.work = self.station.driver, self.station.dir / "work"
        self.work.mkdir()
        self.addCleanup(self.station.stop)

    def start_tester(self, *args, com=COM):
        farsim = Farsim(self.station.session, self.work, com, args)
        self.addCleanup(farsim.stop)
        return farsim

    def start_program(self, extra=()):
        self.station.write(self.station.settings_path, road_settings(self.station, extra))
        self.station.start_and_wait()

    def wait_panel(self, index, text):
        poll(lambda: self.driver.panel(index) == text, 40, what=f"panel {index} = {text!r}")

    def wait_online(self, language="Italiano"):
        self.wait_panel(1, lang_text(332, language) + str(COM))  # 332: "online on COM"

    def light_reservation(self):  # demogen's valid light one: (path, its list item)
        run = [DEMOGEN, self.station.exchange]
        out = subprocess.run(run, capture_output=True, text=True, timeout=60).stdout
        acc = self.station.exchange / re.search(r"(\S+) +valid +valid light vehicle", out)[1]
        f = dict(re.findall(r"(?m)^(\w+)=([^\r\n]*)", acc.read_text("cp1252")))
        return acc, f" {f['Fabbrica']} - {f['Tipo']} - {f['Targa']}"

    def deliver(self, item):  # picked in the list (opening it rebuilds it): the result's message
        self.driver.check("combo-dropdown", CBO)
        items = lambda: [i["value"] for i in self.driver.check("combo-items", CBO).all("item")]
        poll(lambda: item in items(), 20, what=f"{item!r} listed")
        self.driver.check("combo-select", items().index(item), CBO)
        box = self.driver.message_box(40)
        self.assertEqual((box or {}).get("title"), lang_text(601))  # 601: the test's done
        self.driver.check("message-box", "answer", "ok", 10000)
        return box["text"]
