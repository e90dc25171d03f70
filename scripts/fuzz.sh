#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz, clang) and fuzzes each one for a
# while, starting from its saved corpus. A crash fails the run and leaves the
# input in build/fuzz/crashes/: add it to tests/fuzz/corpus/<target>/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}

bash scripts/setup.sh
cmake --preset fuzz >/dev/null
targets=$(sed -n 's/^set(fuzz_targets \(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)
[ -f tests/fuzz/fuzz_reader.cpp ] && targets="$targets reader"
cmake --build --preset fuzz -j "$(nproc)" --target $(printf 'fuzz_%s ' $targets) >/dev/null

mkdir -p build/fuzz/crashes
status=0
for target in $targets; do
  work=$(mktemp -d)
  if build/fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix=build/fuzz/crashes/"$target"- "$work" tests/fuzz/corpus/"$target" \
      >build/fuzz/"$target".log 2>&1; then
    echo "fuzz $target: $(grep -o 'Done [0-9]* runs' build/fuzz/"$target".log | tail -1), no crash"
  else
    echo "fuzz $target: FAILED, see build/fuzz/$target.log and build/fuzz/crashes/" >&2
    tail -30 build/fuzz/"$target".log >&2
    status=1
  fi
  rm -rf "$work"
done
exit $status
