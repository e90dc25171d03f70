"""One run of a real installer under Wine: its inputs are packed with
`veltrane pack`, the installer is copied into a fresh prefix, the UI driver
starts it and answers its dialogs, and afterwards the prefix's files, its
system.ini and its registry can be inspected.
"""
import hashlib
import json
import random
import shutil
import subprocess
import sys
from dataclasses import dataclass, field
from pathlib import Path

from wine_env import Prefix, WineError

HERE = Path(__file__).resolve().parent
SAMPLES = HERE.parent.parent.parent / "samples"
sys.path.insert(0, str(SAMPLES))
import make_demo_data  # noqa: E402

DRIVER = "veltrane-uidriver.exe"
SAVER = "veltrane-sample.scr"


@dataclass
class Inputs:
    """The files packed into one installer, in catalogue order."""
    saver: Path
    data: Path
    numbered: list = field(default_factory=list)  # (path, extension or None)

    def paths(self):
        return [self.saver, self.data] + [path for path, _ in self.numbered]

    def required_bytes(self):
        return sum(path.stat().st_size for path in self.paths())


def logbook(size, seed):
    """Seeded text that compresses well: a ship's log of many lines."""
    rng = random.Random(seed)
    words = ["Wind", "Nordost", "See", "ruhig", "Kurs", "Riff", "Boje", "Tiefe", "Faden",
             "Fisch", "Schwarm", "Wolken", "Sonne", "Strömung", "Anker", "Hafen", "Möwen"]
    lines = []
    total = 0
    day = 1
    while total < size:
        line = f"Tag {day:04d}: " + " ".join(rng.choice(words) for _ in range(rng.randint(4, 12)))
        lines.append(line)
        total += len(line) + 2
        day += 1
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")[:size]


def make_inputs(bin_dir: Path, folder: Path, big=False):
    """The sample saver with its demo data; `big` adds a large compressible
    numbered file, so that the extraction takes a while and its dialog can
    be seen."""
    folder.mkdir(parents=True, exist_ok=True)
    data, caption, plankton = make_demo_data.write_demo_data(folder)
    saver = folder / SAVER
    shutil.copyfile(bin_dir / SAVER, saver)
    numbered = [(caption, None), (plankton, None)]
    if big:
        log = folder / "logbook.log"
        log.write_bytes(logbook(700_000, seed=9))
        numbered.append((log, ".LOG"))
    return Inputs(saver, data, numbered)


def pack(bin_dir: Path, inputs: Inputs, output: Path, name: str, first_number: int, extra=()):
    args = [str(bin_dir / "veltrane"), "pack", "-q", "-o", str(output), "--name", name,
            "--first-number", str(first_number), *extra, str(inputs.saver), str(inputs.data)]
    for path, extension in inputs.numbered:
        if extension:
            args += ["--ext", extension]
        args.append(str(path))
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        raise AssertionError(f"veltrane pack failed ({result.returncode}):\n{result.stdout}")
    return output


def tree_snapshot(root: Path):
    """Every file under root with its content hash, every folder with None."""
    snapshot = {}
    for path in sorted(root.rglob("*")):
        relative = path.relative_to(root).as_posix().lower()
        if path.is_symlink():
            continue
        if path.is_dir():
            snapshot[relative] = None
        else:
            snapshot[relative] = hashlib.sha256(path.read_bytes()).hexdigest()
    return snapshot


def read_ini(path: Path):
    """Sections of an INI file as {section: {key: value}}, names lower-cased."""
    sections = {}
    current = None
    if not path.exists():
        return sections
    for raw in path.read_bytes().decode("cp1252").splitlines():
        line = raw.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip().lower()] = value.strip()
    return sections


def read_registry_value(reg_file: Path, key: str, name: str):
    """A string value from one of Wine's registry files, or None."""
    header = "[" + key.replace("\\", "\\\\") + "]"
    inside = False
    for line in reg_file.read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("["):
            inside = line.split("]")[0] + "]" == header
        elif inside and line.startswith(f'"{name}"='):
            return line.split("=", 1)[1].strip().strip('"')
    return None


class InstallerRun:
    """Drives one installer in a fresh prefix. Use as a context manager: the
    prefix is removed at the end."""

    def __init__(self, ctx, case_dir: Path):
        self.ctx = ctx
        self.case_dir = case_dir
        self.prefix = Prefix(ctx.state, ctx.display)
        self.transcript = None
        self.driver_output = ""
        self.before = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.prefix.remove()

    @property
    def windows_dir(self) -> Path:
        return self.prefix.windows

    def place_installer(self, installer: Path, name: str):
        """Copies the installer to C:\\Inst\\<name>; returns its Windows path."""
        folder = self.prefix.drive_c / "Inst"
        folder.mkdir(exist_ok=True)
        shutil.copyfile(installer, folder / name)
        return "C:\\Inst\\" + name

    def drive(self, program: str, answers, timeout=300):
        """Runs the program with the driver answering; keeps the transcript
        and converts the screenshots to PNG in the case folder."""
        tools = self.prefix.drive_c / "e2e"
        tools.mkdir(exist_ok=True)
        shutil.copyfile(self.ctx.bin_dir / DRIVER, tools / DRIVER)
        self.before = tree_snapshot(self.windows_dir)
        self.system_ini_before = read_ini(self.windows_dir / "system.ini")
        result = self.prefix.run(
            ["C:\\e2e\\" + DRIVER, "--transcript", "C:\\e2e\\transcript.json",
             "--shots", "C:\\e2e\\shots", "--timeout", str(timeout),
             "--answers", ",".join(answers), program], timeout=timeout + 120)
        self.driver_output = result.stdout
        self.prefix.stop()
        transcript_file = tools / "transcript.json"
        if not transcript_file.exists():
            raise WineError("the UI driver wrote no transcript; Wine said:\n" + result.stdout)
        self.transcript = json.loads(transcript_file.read_text(encoding="utf-8"))
        self._keep_results(tools)
        return self.transcript

    def _keep_results(self, tools: Path):
        shots = self.case_dir / "shots"
        shutil.rmtree(shots, ignore_errors=True)
        shots.mkdir(parents=True)
        for window in self.transcript["windows"]:
            bmp = window.get("screenshot")
            if not bmp:
                continue
            png = shots / (Path(bmp).stem + ".png")
            subprocess.run(["convert", str(tools / "shots" / bmp), str(png)], check=False)
            window["screenshotPng"] = str(png) if png.exists() else None
        (self.case_dir / "transcript.json").write_text(
            json.dumps(self.transcript, ensure_ascii=False, indent=2), encoding="utf-8")

    def changes(self):
        """Paths under the Windows folder that the run added, removed or
        changed, ignoring what Wine itself keeps there."""
        after = tree_snapshot(self.windows_dir)
        noise = ("temp/", "logs/", "inf/", "system32/", "installer/")
        changed = {path for path in set(self.before) | set(after)
                   if self.before.get(path, "missing") != after.get(path, "missing")}
        return sorted(path for path in changed if not path.startswith(noise))

    def system_ini(self):
        return read_ini(self.windows_dir / "system.ini")

    def user_registry(self, key, name):
        return read_registry_value(self.prefix.path / "user.reg", key, name)
