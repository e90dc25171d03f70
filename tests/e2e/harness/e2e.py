#!/usr/bin/env python3
"""End-to-end tests of the real installer under 32-bit Wine and Xvfb.

  e2e.py display-start   start the Xvfb of this run          (CTest fixture)
  e2e.py prefix          make the template Wine prefix       (CTest fixture)
  e2e.py display-stop    stop the Xvfb                        (CTest fixture)
  e2e.py run CASE ...    run cases (each in a fresh copy of the template)
  e2e.py all             all of the above in one go
  e2e.py list            the cases and what each shows
  e2e.py names           the case names, one a line
  e2e.py demo            pack the sample saver, install it, print what happened

Common options: --bin DIR (the programs: veltrane, veltrane-stub.exe, the UI
driver, the sample saver), --state DIR (display, template prefix, per-test
prefixes) and --results DIR (transcripts, reports and PNG screenshots per
case). A case fails loudly, never skips, when Wine cannot run.
"""
import argparse
import json
import subprocess
import sys
import time
import traceback
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import cases  # noqa: E402
import installer_run  # noqa: E402
from wine_env import Display, WineError, make_template  # noqa: E402


class Context:
    def __init__(self, args):
        self.bin_dir = Path(args.bin).resolve()
        self.state = Path(args.state).resolve()
        self.results = Path(args.results).resolve() if args.results else self.state / "results"
        self.state.mkdir(parents=True, exist_ok=True)
        self.results.mkdir(parents=True, exist_ok=True)
        self._display = None

    @property
    def display(self):
        if self._display is None:
            self._display = Display(self.state).name()
        return self._display

    def check_programs(self):
        needed = ["veltrane", "veltrane-stub.exe", installer_run.DRIVER, installer_run.SAVER]
        missing = [name for name in needed if not (self.bin_dir / name).exists()]
        if missing:
            raise WineError(f"missing in {self.bin_dir}: {', '.join(missing)} (build first)")

    def list_entries(self, installer):
        """The method ("stored" or "compressed") of each entry."""
        result = subprocess.run([str(self.bin_dir / "veltrane"), "list", "--json", str(installer)],
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise cases.CaseFailed("veltrane list failed:\n" + result.stdout + result.stderr)
        return [entry["method"] for entry in json.loads(result.stdout)["entries"]]


def run_cases(ctx, names):
    ctx.check_programs()
    failed = []
    for name in names:
        started = time.monotonic()
        try:
            cases.run_case(ctx, name)
            print(f"PASS {name} ({time.monotonic() - started:.0f} s): {ctx.results / name}")
        except (cases.CaseFailed, WineError, AssertionError) as error:
            print(f"FAIL {name} ({time.monotonic() - started:.0f} s)\n{error}\n")
            failed.append(name)
        except Exception:
            print(f"FAIL {name}: the harness broke\n{traceback.format_exc()}")
            failed.append(name)
    print(f"{len(names) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("command", choices=["display-start", "display-stop", "prefix", "run", "all", "list", "names", "demo"])
    parser.add_argument("cases", nargs="*")
    parser.add_argument("--bin", default=str(HERE.parents[2] / "build" / "bin"))
    parser.add_argument("--state", default=str(HERE.parents[2] / "build" / "e2e-state"))
    parser.add_argument("--results")
    args = parser.parse_args()

    if args.command == "names":
        print("\n".join(cases.CASES))
        return 0
    if args.command == "list":
        for name, (what, _) in cases.CASES.items():
            print(f"{name:28} {what}")
        return 0
    ctx = Context(args)
    unknown = [name for name in args.cases if name not in cases.CASES]
    if unknown:
        parser.error("unknown case: " + ", ".join(unknown))
    try:
        if args.command == "display-start":
            print("Xvfb on", Display(ctx.state).start())
        elif args.command == "display-stop":
            Display(ctx.state).stop()
        elif args.command == "prefix":
            started = time.monotonic()
            make_template(ctx.state, ctx.display)
            print(f"template prefix ready in {time.monotonic() - started:.0f} s")
        elif args.command == "run":
            return run_cases(ctx, args.cases or list(cases.CASES))
        elif args.command == "demo":
            import demo
            ctx.check_programs()
            return demo.run_demo(ctx)
        elif args.command == "all":
            display = Display(ctx.state)
            display.start()
            try:
                make_template(ctx.state, ctx.display)
                return run_cases(ctx, args.cases or list(cases.CASES))
            finally:
                display.stop()
    except WineError as error:
        print(f"e2e: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
