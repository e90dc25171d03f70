#!/usr/bin/env bash
# Builds the project and runs the benchmark (bench/run.py); arguments go to it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh bench
cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc)" >/dev/null
python3 bench/run.py "$@"
