"""The demo: the sample saver and its data packed into Sea.World.exe,
installed under Wine while the UI driver answers, then the installed saver
run full screen. Prints what went where, the transcript and the pictures."""
import shutil
import subprocess
import time
from pathlib import Path

import cases
from installer_run import InstallerRun, make_inputs, pack
from transcript_text import render
from wine_env import Display, make_template

INSTALLER = "Sea.World.exe"
NAME = "Sea World"
FIRST_NUMBER = 1


def _show(title):
    # Flushed, so that the output of the tools run next comes after it.
    print(f"\n== {title} " + "=" * max(0, 70 - len(title)), flush=True)


def _windows_path(run, path: Path):
    return "C:\\windows\\" + str(path.relative_to(run.windows_dir)).replace("/", "\\")


# The colour of the saver's sea at the top of the screen.
SEA_TOP = "srgb(20,120,200)"


def _wait_for_sea(display, picture: Path, timeout):
    """Takes screenshots until the saver's sea fills the screen's top; true
    when it did within the timeout."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        time.sleep(3)
        subprocess.run(["import", "-display", display, "-window", "root", str(picture)],
                       check=False, stderr=subprocess.DEVNULL)
        probe = subprocess.run(["convert", str(picture), "-format", "%[pixel:p{5,5}]", "info:"],
                               capture_output=True, text=True)
        if probe.stdout.strip() == SEA_TOP:
            time.sleep(2)  # let the picture drift a little
            subprocess.run(["import", "-display", display, "-window", "root", str(picture)],
                           check=False)
            return True
    return False


def run_demo(ctx):
    display = Display(ctx.state)
    display.start()
    try:
        started = time.monotonic()
        make_template(ctx.state, ctx.display)
        print(f"Wine prefix ready in {time.monotonic() - started:.0f} s")
        demo_dir = ctx.results / "demo"
        shutil.rmtree(demo_dir, ignore_errors=True)
        demo_dir.mkdir(parents=True)
        with InstallerRun(ctx, demo_dir) as run:
            inputs = make_inputs(ctx.bin_dir, demo_dir / "inputs")
            installer = pack(ctx.bin_dir, inputs, demo_dir / INSTALLER, NAME, FIRST_NUMBER)
            _show(f"packed {installer}")
            subprocess.run([str(ctx.bin_dir / "veltrane"), "list", str(installer)], check=False)

            transcript = run.drive(run.place_installer(installer, INSTALLER), ["ok", "ok", "ok", "ok"])
            _show("what the user saw (transcript of the UI driver)")
            print(render(transcript))
            print(f"\ntranscript (JSON): {demo_dir / 'transcript.json'}")

            _show("installed files")
            for source, target in cases.installed_targets(INSTALLER, inputs, FIRST_NUMBER):
                found = cases.find_ci(run.windows_dir, target)
                if found is None:
                    print(f"  MISSING  {target}  (from {source.name})")
                    continue
                same = "identical" if found.read_bytes() == source.read_bytes() else "DIFFERENT"
                print(f"  {_windows_path(run, found):60} {found.stat().st_size:>9,} bytes, "
                      f"{same} to {source.name}")

            _show("settings")
            boot = run.system_ini().get("boot", {})
            print(f"  system.ini [boot] SCRNSAVE.EXE = {boot.get('scrnsave.exe')}")
            print(f"  HKCU\\Control Panel\\Desktop ScreenSaveActive = "
                  f"{run.user_registry(cases.DESKTOP_KEY, 'ScreenSaveActive')}")

            _show("the installed saver, full screen")
            picture = demo_dir / "shots" / "saver-fullscreen.png"
            saver = subprocess.Popen(
                ["wine", "C:\\windows\\" + cases.saver_base(INSTALLER) + ".SCR", "/s"],
                env=run.prefix.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            shown = _wait_for_sea(ctx.display, picture, timeout=180)
            run.prefix.stop()
            saver.wait(timeout=60)
            print(f"  screenshot: {picture}" if shown else "  (the saver did not show within 3 minutes)")

            _show("screenshots")
            for png in sorted((demo_dir / "shots").glob("*.png")):
                print(f"  {png}")
            ok = (transcript["result"] == "complete" and transcript["exitCode"] == 0)
            print("\nDemo " + ("finished." if ok else "FAILED: see the transcript above."))
            return 0 if ok else 1
    finally:
        display.stop()
