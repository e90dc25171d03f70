"""Wine under Xvfb for the end-to-end tests: the X display, the template
prefix made once per run, and the fresh prefix each test works in.

The display and the template outlive the process that makes them (CTest
runs each fixture step as its own process), so what they are is kept in a
state folder: display.json holds the display number and the server's pid,
template/ is the prefix.
"""
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
WINE_SUPPORT = HERE.parent / "wine_support.sh"
SCREEN = (1024, 768)


class WineError(Exception):
    """Wine or the display cannot be used: the tests fail, they never skip."""


def _run(args, env=None, timeout=None, check=True):
    result = subprocess.run(args, env=env, timeout=timeout, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace")
    if check and result.returncode != 0:
        raise WineError(f"{' '.join(map(str, args))} failed ({result.returncode}):\n{result.stdout}")
    return result


def ensure_wine():
    """Makes Wine runnable on this machine (wine_support.sh), or raises with
    the reason."""
    for tool in ("wine", "wineserver", "Xvfb"):
        if not shutil.which(tool):
            raise WineError(f"{tool} is not installed: run scripts/setup.sh")
    result = _run(["bash", str(WINE_SUPPORT)], check=False, timeout=900)
    if result.returncode != 0:
        raise WineError("32-bit Wine cannot run on this machine:\n" + result.stdout)


class Display:
    """An Xvfb server started for the test run."""

    def __init__(self, state: Path):
        self.state_file = Path(state) / "display.json"

    def start(self):
        self.stop()
        self.state_file.parent.mkdir(parents=True, exist_ok=True)
        for number in range(140, 200):
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            log = open(self.state_file.with_suffix(".log"), "wb")
            server = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                 "-nolisten", "tcp", "-noreset"],
                stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                start_new_session=True)
            socket = Path(f"/tmp/.X11-unix/X{number}")
            for _ in range(100):
                if server.poll() is not None:
                    break
                if socket.exists():
                    self.state_file.write_text(json.dumps({"display": number, "pid": server.pid}))
                    return f":{number}"
                time.sleep(0.05)
            if server.poll() is None:
                server.kill()
        raise WineError("Xvfb did not start: see " + str(self.state_file.with_suffix(".log")))

    def name(self):
        if not self.state_file.exists():
            raise WineError("no Xvfb is running for the tests (the e2e display fixture did not run)")
        return ":%d" % json.loads(self.state_file.read_text())["display"]

    def stop(self):
        if not self.state_file.exists():
            return
        pid = json.loads(self.state_file.read_text())["pid"]
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        self.state_file.unlink()


def _locale():
    """German where the system has it: Wine then labels message box
    buttons as a German Windows does (OK, Abbrechen, Ja, Nein)."""
    names = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    return "de_DE.UTF-8" if "de_DE.utf8" in names else "C.UTF-8"


def wine_env(prefix: Path, display: str):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEARCH": "win32",
        "WINEDEBUG": "-all",
        "DISPLAY": display,
        # No downloads of Mono or Gecko, which the installer needs neither of.
        "WINEDLLOVERRIDES": "mscoree=;mshtml=",
        "LC_ALL": _locale(),
    })
    env.pop("WAYLAND_DISPLAY", None)
    return env


def kill_wineserver(prefix: Path, display: str):
    """Ends every Wine process of the prefix and lets the server write the
    registry to its files."""
    # wineserver's output is never piped: a pipe held open by the server
    # would keep the caller waiting.
    subprocess.run(["wineserver", "-k"], env=wine_env(prefix, display), timeout=120,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=wine_env(prefix, display), timeout=120,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# Wine's own desktop window: every window, title bar and frame included, is
# drawn by Wine as Windows draws it, so screenshots show what a user sees
# (without a window manager on the X server, title bars would be missing).
DESKTOP_REG = """REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="%dx%d"
""" % SCREEN


def make_template(state: Path, display: str):
    """Creates the template prefix (a 32-bit Windows) once per run."""
    ensure_wine()
    template = Path(state) / "template"
    shutil.rmtree(template, ignore_errors=True)
    env = wine_env(template, display)
    result = _run(["wine", "wineboot", "--init"], env=env, timeout=900, check=False)
    if result.returncode != 0 or not (template / "drive_c" / "windows").is_dir():
        kill_wineserver(template, display)
        raise WineError("wineboot could not make a Wine prefix:\n" + result.stdout)
    reg = template / "drive_c" / "desktop.reg"
    reg.write_text(DESKTOP_REG.replace("\n", "\r\n"), encoding="ascii")
    result = _run(["wine", "regedit", "/S", "C:\\desktop.reg"], env=env, timeout=300, check=False)
    kill_wineserver(template, display)
    reg.unlink()
    if result.returncode != 0:
        raise WineError("regedit could not set up the desktop:\n" + result.stdout)
    return template


class Prefix:
    """A fresh copy of the template prefix in a temporary folder."""

    def __init__(self, state: Path, display: str):
        template = Path(state) / "template"
        if not (template / "drive_c" / "windows").is_dir():
            raise WineError("no template prefix (the e2e prefix fixture did not run)")
        self.tmp = Path(tempfile.mkdtemp(prefix="veltrane-e2e-", dir=state))
        self.path = self.tmp / "prefix"
        # Symbolic links (dosdevices) are copied as links.
        shutil.copytree(template, self.path, symlinks=True)
        self.display = display
        self.env = wine_env(self.path, display)

    @property
    def drive_c(self) -> Path:
        return self.path / "drive_c"

    @property
    def windows(self) -> Path:
        return self.drive_c / "windows"

    def run(self, args, timeout):
        return _run(["wine", *args], env=self.env, timeout=timeout, check=False)

    def stop(self):
        """Ends the prefix's Wine processes; its files stay for inspection."""
        kill_wineserver(self.path, self.display)

    def remove(self):
        self.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)
