#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine.
# Idempotent and silent when everything is already there.
#   scripts/setup.sh          what the build and the tests need
#   scripts/setup.sh bench    also what the benchmark needs
set -euo pipefail

packages=(
  python3 cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 fonts-wine xvfb x11-apps imagemagick osslsigncode openssl locales
)
for group in "$@"; do
  case "$group" in
    bench) packages+=(espeak-ng gzip bzip2 xz-utils) ;;
    *) echo "setup: unknown group '$group'" >&2; exit 1 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
# What Wine needs besides packages: the German locale, and 32-bit programs
# also where the kernel cannot run them itself.
wine_support="$(dirname "$0")/../tests/e2e/wine_support.sh"
[ ${#missing[@]} -eq 0 ] && exec bash "$wine_support"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}" >&2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
if ! { $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "setup: installing packages failed" >&2
  exit 1
fi
bash "$wine_support"
