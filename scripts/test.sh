#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host and Windows
# builds, then runs the unit tests and the end-to-end tests under Wine.
#   scripts/test.sh            everyday build (preset host)
#   PRESET=ci scripts/test.sh  warnings as errors
# Extra arguments go to ctest (for example -L e2e, or -LE e2e).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
preset=${PRESET:-host}

bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)" "$@"
