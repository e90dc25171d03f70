"""The end-to-end cases: real installers, packed by `veltrane pack`, run
under Wine while the UI driver plays the user. Each case checks what the
user saw (exact German texts, buttons, icons, placement), what was written
(files byte for byte, system.ini, the registry) and the exit code.
"""
import re
import shutil
import subprocess
from pathlib import Path

from installer_run import InstallerRun, make_inputs, pack

WINDOWS = "C:\\windows"  # what Wine reports as the Windows directory
DESKTOP_KEY = "Control Panel\\Desktop"
SAVER_CAPTION = "Veltrane-Beispielschoner"
ORDER_CAPTION = "Bestellinformation f\u00fcr Veltrane"
ORDER_TEXTS = ["*** VELTRANE ***", "TM", "Dieses Programm wurde erzeugt mit:",
               "Keine Programmierkenntnisse n\u00f6tig!",
               "Kostenlose Bildschirmschoner gibt's bei:"]
DAMAGED_CAPTION = "Installationsdatei besch\u00e4digt"
DAMAGED_TEXT = ("Die Installationsdatei ist besch\u00e4digt oder unvollst\u00e4ndig. "
                "Bitte laden Sie sie erneut herunter.")


class CaseFailed(AssertionError):
    pass


class Checks:
    """Collects every failed check of a case, so one run reports them all."""

    def __init__(self):
        self.failures = []

    def equal(self, what, actual, expected):
        if actual != expected:
            self.failures.append(f"{what}:\n    expected {expected!r}\n    actual   {actual!r}")

    def true(self, what, condition, detail=""):
        if not condition:
            self.failures.append(what + (f": {detail}" if detail else ""))


# Expected texts --------------------------------------------------------------

def thousands(number):
    return f"{number:,}"


def caption(name):
    return f"Installation des Bildschirmschoners {name}"


def confirm_text(saver_file, name, required):
    return (f"Dieses Programm installiert {saver_file} ({name} Bildschirmschoner) nach "
            f"{WINDOWS.upper()} und macht diesen zu Ihrem Standard-Bildschirmschoner. "
            f"Die Installation ben\u00f6tigt {thousands(required)} Byte.")


def finish_text(folder_base):
    return ("Installation beendet!\r\n\r\nDie Datendateien wurden in das Verzeichnis "
            f"{WINDOWS}\\PELLIVAR\\VELTRANE\\{upper_ascii(folder_base)} kopiert.")


def overwrite_text(candidate):
    return (f"Auf Ihrem Computer ist bereits ein Bildschirmschoner mit dem Namen {candidate} "
            "vorhanden. Soll dieser ersetzt werden?")


def rename_text(installer_name):
    return ("Wenn Sie den Namen der .SCR-Datei \u00e4ndern m\u00f6chten, m\u00fcssen Sie nur die "
            f"Installationsdatei {installer_name} umbenennen und diese dann erneut ausf\u00fchren.")


def upper_ascii(text):
    return "".join(c.upper() if "a" <= c <= "z" else c for c in text)


def saver_base(installer):
    return upper_ascii(installer.split(".")[0])


def folder_base(installer):
    return installer.rsplit(".", 1)[0]


# Transcript helpers ----------------------------------------------------------

def answered(transcript):
    """The windows that wanted an answer, in order."""
    return [w for w in transcript["windows"] if w["buttons"]]


def button_ids(window):
    return [b["id"] for b in window["buttons"]]


def expect_box(checks, label, window, caption_, text, icon, buttons):
    """A message box: caption, its one text, icon and button ids."""
    if window is None:
        checks.true(f"{label}: the window was not shown", False)
        return
    checks.equal(f"{label}: caption", window["caption"], caption_)
    checks.equal(f"{label}: text", window["texts"], [text])
    checks.equal(f"{label}: icon", window["icon"], icon)
    checks.equal(f"{label}: buttons", button_ids(window), buttons)
    checks.true(f"{label}: the answer was taken", window["answerTaken"])


def expect_window_count(checks, transcript, count):
    windows = answered(transcript)
    checks.equal("windows that asked the user", len(windows), count)
    return windows + [None] * (count - len(windows))


# Files -------------------------------------------------------------------------

def find_ci(root: Path, relative: str):
    """The path under root whose parts match `relative` (backslashes)
    without regard to case, as Windows finds it; None when missing."""
    path = root
    for part in relative.split("\\"):
        if not path.is_dir():
            return None
        matches = [child for child in path.iterdir() if child.name.lower() == part.lower()]
        if not matches:
            return None
        path = matches[0]
    return path


def installed_targets(installer, inputs, first_number):
    """(input path, target path relative to the Windows folder) per entry."""
    base = folder_base(installer)
    folder = f"PELLIVAR\\VELTRANE\\{base}"
    targets = [(inputs.saver, saver_base(installer) + ".SCR"),
               (inputs.data, f"{folder}\\{base}.DAT")]
    for index, (path, extension) in enumerate(inputs.numbered):
        extension = extension if extension else path.suffix
        targets.append((path, f"{folder}\\FILE{first_number + index:04d}{extension}"))
    return targets


def expect_installed(checks, run, installer, inputs, first_number):
    for source, target in installed_targets(installer, inputs, first_number):
        found = find_ci(run.windows_dir, target)
        if found is None:
            checks.true(f"installed {target}", False, "missing")
            continue
        checks.true(f"{target} holds exactly {source.name}", found.read_bytes() == source.read_bytes(),
                    f"{found.stat().st_size} bytes, input {source.stat().st_size} bytes")
    # Names exactly as the installer makes them (the file system keeps case).
    saver = find_ci(run.windows_dir, saver_base(installer) + ".SCR")
    if saver is not None:
        checks.equal("saver file name", saver.name, saver_base(installer) + ".SCR")


def expect_nothing_written(checks, run):
    checks.equal("files changed under C:\\windows", run.changes(), [])
    checks.equal("system.ini", run.system_ini(), run.system_ini_before)


def expect_registered(checks, run, installer):
    boot = run.system_ini().get("boot", {})
    registered = boot.get("scrnsave.exe")
    long_path = f"{WINDOWS}\\{saver_base(installer)}.SCR"
    if saver_base(installer).isascii():
        checks.equal("system.ini [boot] SCRNSAVE.EXE", registered, long_path)
    else:
        # The short form of a name with other than ASCII letters is one the
        # file system makes up (C:\windows\GR__~QOP.SCR under Wine).
        checks.true("system.ini [boot] SCRNSAVE.EXE is the saver's short path",
                    registered is not None and re.fullmatch(
                        r"C:\\windows\\[!-~]{1,8}\.SCR", registered) is not None and
                    "~" in registered, repr(registered))
    checks.equal("screen saving switched on (ScreenSaveActive)",
                 run.user_registry(DESKTOP_KEY, "ScreenSaveActive"), "1")


# Scenarios ---------------------------------------------------------------------

def full_install(ctx, run, installer, name, order_answer, first_number=9, big=False, decoy=False):
    """Confirm, install, close the order panel with `order_answer`, then
    the installed saver shows its settings window. With `decoy`, another
    program of the saver's file name lies beside the installer, where a
    search by bare file name would find it first."""
    checks = Checks()
    inputs = make_inputs(ctx.bin_dir, run.case_dir / "inputs", big=big)
    packed = pack(ctx.bin_dir, inputs, run.case_dir / "installer.exe", name, first_number)
    entries = ctx.list_entries(packed)
    checks.true("the installer holds stored and compressed entries",
                {"stored", "compressed"} <= set(entries), f"entries: {entries}")
    program = run.place_installer(packed, installer)
    if decoy:
        run.place_installer(ctx.bin_dir / "veltrane-msgbox-probe.exe", saver_base(installer) + ".SCR")
    transcript = run.drive(program, ["ok", "ok", order_answer, "ok"])
    checks.equal("driver result", transcript["result"], "complete")
    checks.equal("installer exit code", transcript["exitCode"], 0)

    confirm, finish, order, settings = expect_window_count(checks, transcript, 4)
    saver_file = saver_base(installer) + ".SCR"
    expect_box(checks, "confirmation", confirm, caption(name),
               confirm_text(saver_file, name, inputs.required_bytes()), "information", [1, 2])
    expect_box(checks, "finish message", finish, caption(name), finish_text(folder_base(installer)),
               "exclamation", [1])
    if order:
        checks.equal("order panel: caption", order["caption"], ORDER_CAPTION)
        checks.equal("order panel: fixed texts", [t for t in order["texts"] if t in ORDER_TEXTS],
                     ORDER_TEXTS)
        checks.equal("order panel: buttons", button_ids(order), [1])
        # The five fixed lines, the web address and the postal address.
        checks.equal("order panel: number of texts", len(order["texts"]), 7)
        checks.true("order panel: centred on the screen", order["centred"], str(order["rect"]))
        checks.true("order panel: closed by " + order_answer, order["answerTaken"])
    for window in (confirm, finish, order):
        if window:
            checks.true(f"\"{window['caption']}\" belongs to the installer", window["ownProgram"])
    if settings:
        checks.equal("saver settings: caption", settings["caption"], SAVER_CAPTION)
        checks.equal("the started saver", settings["process"].lower(),
                     f"{WINDOWS}\\{saver_file}".lower())
        base = folder_base(installer)
        text = settings["texts"][0] if settings["texts"] else ""
        checks.true("the saver found its data file", (
            f"Daten: {WINDOWS}\\PELLIVAR\\VELTRANE\\{base}\\{base}.DAT").lower() in text.lower(), text)
        checks.true("the saver read its numbered text file", "Willkommen" in text, text)

    extraction = [w for w in transcript["windows"] if not w["buttons"] and w["ownProgram"]]
    if big:
        checks.true("the extraction dialog was seen", bool(extraction))
    for window in extraction:
        checks.equal("extraction dialog: caption", window["caption"], caption(name))
        checks.equal("extraction dialog: texts", window["texts"],
                     ["Installation", "Bitte warten...", f"{name} Bildschirmschoner"])
        checks.true("extraction dialog: centred on the screen", window["centred"], str(window["rect"]))
        hidden = [(c["id"], c["visible"]) for c in window["controls"] if c["class"].lower() == "button"]
        checks.equal("extraction dialog: its OK and Cancel buttons are hidden", hidden,
                     [(1, False), (2, False)])

    expect_installed(checks, run, installer, inputs, first_number)
    expect_registered(checks, run, installer)
    return checks


def cancel_at_confirmation(ctx, run, answer):
    checks = Checks()
    inputs = make_inputs(ctx.bin_dir, run.case_dir / "inputs")
    packed = pack(ctx.bin_dir, inputs, run.case_dir / "installer.exe", "Abendrot", 1)
    transcript = run.drive(run.place_installer(packed, "Abendrot.exe"), [answer])
    checks.equal("driver result", transcript["result"], "complete")
    checks.equal("installer exit code", transcript["exitCode"], 0)
    (confirm,) = expect_window_count(checks, transcript, 1)
    expect_box(checks, "confirmation", confirm, caption("Abendrot"),
               confirm_text("ABENDROT.SCR", "Abendrot", inputs.required_bytes()), "information", [1, 2])
    expect_nothing_written(checks, run)
    return checks


def existing_saver(ctx, run, replace):
    """A saver of the same name is there already: Yes replaces it, No shows
    the rename hint and writes nothing."""
    checks = Checks()
    inputs = make_inputs(ctx.bin_dir, run.case_dir / "inputs")
    packed = pack(ctx.bin_dir, inputs, run.case_dir / "installer.exe", "Sternschnuppe", 0)
    old = b"an older screen saver\r\n" * 100
    (run.windows_dir / "SETUP.SCR").write_bytes(old)
    program = run.place_installer(packed, "setup.exe")
    answers = ["yes", "ok", "ok", "ok", "ok"] if replace else ["no", "ok"]
    transcript = run.drive(program, answers)
    checks.equal("driver result", transcript["result"], "complete")
    checks.equal("installer exit code", transcript["exitCode"], 0)
    windows = expect_window_count(checks, transcript, len(answers))
    # The check names the installer's base in its own case.
    expect_box(checks, "overwrite question", windows[0], "Bildschirmschoner \u00fcberschreiben?",
               overwrite_text("setup.SCR"), "question", [6, 7])
    if replace:
        expect_box(checks, "confirmation", windows[1], caption("Sternschnuppe"),
                   confirm_text("SETUP.SCR", "Sternschnuppe", inputs.required_bytes()),
                   "information", [1, 2])
        expect_box(checks, "finish message", windows[2], caption("Sternschnuppe"),
                   finish_text("setup"), "exclamation", [1])
        expect_installed(checks, run, "setup.exe", inputs, 0)
        expect_registered(checks, run, "setup.exe")
    else:
        expect_box(checks, "rename hint", windows[1], "Installationsdatei umbenennen",
                   rename_text("setup.EXE"), "information", [1])
        checks.equal("the old saver is untouched", (run.windows_dir / "SETUP.SCR").read_bytes(), old)
        expect_nothing_written(checks, run)
    return checks


def damaged_installer(ctx, run, damage):
    """A damaged installer shows one message, writes nothing and ends with
    exit code 1."""
    checks = Checks()
    inputs = make_inputs(ctx.bin_dir, run.case_dir / "inputs")
    packed = pack(ctx.bin_dir, inputs, run.case_dir / "installer.exe", "Korallen", 1)
    data = bytearray(packed.read_bytes())
    damaged = run.case_dir / "damaged.exe"
    damaged.write_bytes(damage(data, inputs))
    transcript = run.drive(run.place_installer(damaged, "Korallen.exe"), ["ok"])
    checks.equal("driver result", transcript["result"], "complete")
    checks.equal("installer exit code", transcript["exitCode"], 1)
    (message,) = expect_window_count(checks, transcript, 1)
    expect_box(checks, "damage message", message, DAMAGED_CAPTION, DAMAGED_TEXT, "exclamation", [1])
    expect_nothing_written(checks, run)
    return checks


def cut_last_entry(data, inputs):
    """The download broke off inside the last entry's data."""
    return bytes(data[:len(data) - 1000])


def cut_after_catalogue_start(data, inputs):
    """Only the stub and the start of the payload arrived: the file ends
    inside the payload's data."""
    return bytes(data[:len(data) - inputs.required_bytes() // 2])


def signed_installer(ctx, run):
    """An installer signed with Authenticode after packing still installs
    and still passes `veltrane test`."""
    checks = Checks()
    if not shutil.which("osslsigncode") or not shutil.which("openssl"):
        raise CaseFailed("osslsigncode and openssl are needed: run scripts/setup.sh")
    inputs = make_inputs(ctx.bin_dir, run.case_dir / "inputs")
    packed = pack(ctx.bin_dir, inputs, run.case_dir / "installer.exe", "Leuchtturm", 3)
    key, cert = run.case_dir / "signer.key", run.case_dir / "signer.crt"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Veltrane e2e throwaway signer", "-keyout", str(key),
                    "-out", str(cert)], check=True, capture_output=True)
    signed = run.case_dir / "signed.exe"
    signed.unlink(missing_ok=True)
    sign = subprocess.run(["osslsigncode", "sign", "-certs", str(cert), "-key", str(key),
                           "-n", "Leuchtturm", "-in", str(packed), "-out", str(signed)],
                          capture_output=True, text=True)
    if sign.returncode != 0:
        raise CaseFailed("osslsigncode sign failed:\n" + sign.stdout + sign.stderr)
    checks.true("the signature was appended", signed.stat().st_size > packed.stat().st_size)
    tested = subprocess.run([str(ctx.bin_dir / "veltrane"), "test", str(signed)],
                            capture_output=True, text=True)
    checks.equal("veltrane test of the signed installer: exit code", tested.returncode, 0)
    if tested.returncode != 0:
        checks.failures.append("veltrane test said:\n" + tested.stdout + tested.stderr)

    transcript = run.drive(run.place_installer(signed, "Leuchtturm.exe"), ["ok", "ok", "ok", "ok"])
    checks.equal("driver result", transcript["result"], "complete")
    checks.equal("installer exit code", transcript["exitCode"], 0)
    confirm, finish, _, _ = expect_window_count(checks, transcript, 4)
    expect_box(checks, "confirmation", confirm, caption("Leuchtturm"),
               confirm_text("LEUCHTTURM.SCR", "Leuchtturm", inputs.required_bytes()),
               "information", [1, 2])
    expect_box(checks, "finish message", finish, caption("Leuchtturm"), finish_text("Leuchtturm"),
               "exclamation", [1])
    expect_installed(checks, run, "Leuchtturm.exe", inputs, 3)
    return checks


def blocked_target(ctx, run):
    """A target that cannot be written (a folder stands where the data file
    goes): the user is told the installation is incomplete instead of the
    finish text, no order panel, no saver started, exit code 1."""
    checks = Checks()
    inputs = make_inputs(ctx.bin_dir, run.case_dir / "inputs")
    packed = pack(ctx.bin_dir, inputs, run.case_dir / "installer.exe", "Ebbe", 1)
    blocker = run.windows_dir / "PELLIVAR" / "VELTRANE" / "Ebbe" / "Ebbe.DAT"
    blocker.mkdir(parents=True)
    transcript = run.drive(run.place_installer(packed, "Ebbe.exe"), ["ok", "ok"])
    checks.equal("driver result", transcript["result"], "complete")
    checks.equal("installer exit code", transcript["exitCode"], 1)
    confirm, incomplete = expect_window_count(checks, transcript, 2)
    expect_box(checks, "confirmation", confirm, caption("Ebbe"),
               confirm_text("EBBE.SCR", "Ebbe", inputs.required_bytes()), "information", [1, 2])
    expect_box(checks, "incomplete message", incomplete, caption("Ebbe"),
               f"Die Installation ist unvollst\u00e4ndig: {WINDOWS}\\PELLIVAR\\VELTRANE\\Ebbe\\Ebbe.DAT "
               "konnte nicht geschrieben werden.", "exclamation", [1])
    return checks


def driver_probe(ctx, run):
    """The UI driver against a program of known message boxes: texts from
    Windows-1252, icons, buttons, and every kind of answer reaching the box
    as the answer the program gets back."""
    checks = Checks()
    program = run.place_installer(ctx.bin_dir / "veltrane-msgbox-probe.exe", "probe.exe")
    transcript = run.drive(program, ["close", "no", "escape", "enter"], timeout=120)
    checks.equal("driver result", transcript["result"], "complete")
    boxes = expect_window_count(checks, transcript, 4)
    expected = [
        ("Probe eins", "Gr\u00fc\u00dfe aus der Probe.\r\n\r\nZweite Zeile mit \u00e4\u00f6\u00fc.",
         "information", [1, 2]),
        ("Probe zwei", "Soll die Probe weiterlaufen?", "question", [6, 7]),
        ("Probe drei", "Achtung: Datentr\u00e4ger voll", "exclamation", [1, 2]),
        ("Probe vier", "Fehler", "error", [1]),
    ]
    for number, (box, (caption_, text, icon, buttons)) in enumerate(zip(boxes, expected), 1):
        expect_box(checks, f"box {number}", box, caption_, text, icon, buttons)
    # Close box and Escape give IDCANCEL (2), No IDNO (7), Enter the default
    # button IDOK (1); the probe packs them into its exit code.
    checks.equal("answers the probe got", transcript["exitCode"], 2 | 7 << 4 | 2 << 8 | 1 << 12)
    return checks


# name: (what it shows, function(ctx, run) -> Checks)
CASES = {
    "driver.probe": ("the UI driver reads and answers known message boxes", driver_probe),
    "install.sea-world": ("Sea.World.exe: stored and compressed entries, numbered files from 9, "
                          "order panel closed with OK, both dialogs centred",
                          lambda ctx, run: full_install(ctx, run, "Sea.World.exe", "Sea World",
                                                        "ok", first_number=9, big=True)),
    "install.setup-escape": ("setup.exe: order panel closed with Escape; the installed saver, "
                             "not a SETUP.SCR beside the installer, is started",
                             lambda ctx, run: full_install(ctx, run, "setup.exe", "Sternschnuppe",
                                                           "escape", first_number=0, decoy=True)),
    "install.close-box": ("Riff.exe: order panel closed with its close box",
                          lambda ctx, run: full_install(ctx, run, "Riff.exe", "Riff", "close",
                                                        first_number=9998)),
    "cancel.button": ("Cancel at the confirmation writes nothing, exit code 0",
                      lambda ctx, run: cancel_at_confirmation(ctx, run, "cancel")),
    "cancel.escape": ("Escape at the confirmation writes nothing, exit code 0",
                      lambda ctx, run: cancel_at_confirmation(ctx, run, "escape")),
    "existing.yes": ("an existing SETUP.SCR replaced after Yes",
                     lambda ctx, run: existing_saver(ctx, run, replace=True)),
    "existing.no": ("No keeps the existing SETUP.SCR, shows the rename hint, writes nothing",
                    lambda ctx, run: existing_saver(ctx, run, replace=False)),
    "damaged.cut-last-entry": ("a truncated installer is refused, nothing written, exit code 1",
                               lambda ctx, run: damaged_installer(ctx, run, cut_last_entry)),
    "damaged.cut-half": ("an installer cut to half its data is refused",
                         lambda ctx, run: damaged_installer(ctx, run, cut_after_catalogue_start)),
    "incomplete.blocked-target": ("a target that cannot be written: incomplete message, exit 1",
                                  blocked_target),
    "install.umlaut-name": ("Gr\u00fc\u00dfe.exe: umlauts stay as they are in the upper-cased saver name",
                            lambda ctx, run: full_install(ctx, run, "Gr\u00fc\u00dfe.exe",
                                                          "Gr\u00fc\u00dfe vom Riff", "ok")),
    "signed.authenticode": ("signed after packing: installs, files intact, veltrane test accepts it",
                            signed_installer),
}


def run_case(ctx, name):
    """Runs one case; raises CaseFailed with every failed check."""
    _, function = CASES[name]
    case_dir = ctx.results / name
    shutil.rmtree(case_dir, ignore_errors=True)
    case_dir.mkdir(parents=True)
    with InstallerRun(ctx, case_dir) as run:
        checks = function(ctx, run)
        report = case_dir / "report.txt"
        from transcript_text import render
        text = render(run.transcript) if run.transcript else "(no transcript)"
        report.write_text(text + "\n", encoding="utf-8")
    if checks.failures:
        raise CaseFailed("\n".join(checks.failures) + "\n\ntranscript:\n" + text +
                         (f"\n\ndriver output:\n{run.driver_output}" if run.driver_output else ""))
    return text
