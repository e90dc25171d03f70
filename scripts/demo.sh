#!/usr/bin/env bash
# The main job, start to end on a fresh machine: installs what is missing,
# builds the tool and the stub, packs the sample screen saver with its data
# into Sea.World.exe, installs it under Wine on a headless X server while the
# UI driver answers the installer's dialogs, and prints what was installed
# where, the transcript of the dialogs and the paths of their screenshots.
#   scripts/demo.sh            build in build/host (preset host)
# Results stay in build/host/demo/results/demo (transcript, PNG screenshots,
# inputs and the installer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash tests/e2e/wine_support.sh
echo "demo: building the tool, the stub and the Win32 helpers (log: build/host/demo-build.log)"
mkdir -p build/host
if ! { cmake --preset host && cmake --build build/host --target veltrane windows -j 2; } \
    >build/host/demo-build.log 2>&1; then
  tail -n 40 build/host/demo-build.log >&2
  echo "demo: the build failed" >&2
  exit 1
fi
exec python3 tests/e2e/harness/e2e.py demo \
  --bin build/bin --state build/host/demo --results build/host/demo/results
