#!/usr/bin/env bash
# Prepares this machine for Wine: the German locale, in which Wine labels
# the buttons of message boxes as a German Windows does, and 32-bit Linux
# programs, without which 32-bit Wine cannot run. Idempotent and silent when
# all is there.
#
# Some kernels (virtual machines among them) cannot execute 32-bit x86
# programs at all: exec fails with "Exec format error". Wine's 32-bit loader
# and server are such programs. There they run under qemu's user-mode
# emulator, which the kernel starts for every 32-bit ELF program once it is
# registered with binfmt_misc. qemu before 8.1 spends about a minute in each
# Wine process start (it tracks guest pages one by one), so the emulator
# comes from bookworm-backports.
#
# Exit status: 0 when 32-bit programs run, 1 otherwise (with the reason).
set -euo pipefail

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  if [ -f /etc/locale.gen ] && command -v locale-gen >/dev/null; then
    $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    $sudo locale-gen >/dev/null 2>&1 || echo "wine-support: locale-gen failed; dialogs keep English button texts" >&2
  fi
fi

probe=/usr/lib/wine/wine
runs() { "$probe" --version >/dev/null 2>&1; }

if [ ! -x "$probe" ]; then
  echo "wine-support: $probe is missing: run scripts/setup.sh" >&2
  exit 1
fi
binfmt=/proc/sys/fs/binfmt_misc
emulator=/usr/bin/qemu-i386-static
emulator_major() {
  local major
  major=$("$emulator" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
  echo "${major:-0}"
}
if runs; then
  # Natively, or already under a recent enough emulator.
  if [ ! -e "$binfmt/qemu-i386" ] || [ "$(emulator_major)" -ge 8 ]; then
    exit 0
  fi
fi

if [ ! -x "$emulator" ] || [ "$(emulator_major)" -lt 8 ]; then
  echo "wine-support: 32-bit programs do not run here; installing qemu-user-static from bookworm-backports" >&2
  list=/etc/apt/sources.list.d/bookworm-backports.sources
  if [ ! -e "$list" ]; then
    # Backports come from the Debian mirror apt already uses for bookworm.
    mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    [ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
    if [ -z "$mirror" ]; then
      echo "wine-support: apt has no Debian mirror for bookworm; cannot add bookworm-backports" >&2
      exit 1
    fi
    printf '%s\n' 'Types: deb' "URIs: $mirror" 'Suites: bookworm-backports' \
      'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
      $sudo tee "$list" >/dev/null
  fi
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  export DEBIAN_FRONTEND=noninteractive
  if ! { $sudo apt-get update -qq &&
         $sudo apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user-static; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "wine-support: installing qemu-user-static failed" >&2
    exit 1
  fi
fi

if [ ! -e "$binfmt/register" ]; then
  $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
fi
# A handler registered with the F flag keeps the emulator file it was given
# open; after an upgrade it still runs the old one, so it is registered anew.
if [ -e "$binfmt/qemu-i386" ]; then
  echo -1 | $sudo tee "$binfmt/qemu-i386" >/dev/null
fi
# i386 ELF executables and shared objects (e_machine 3, e_type 2 or 3).
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:$emulator:F" | $sudo tee "$binfmt/register" >/dev/null

if ! runs; then
  echo "wine-support: 32-bit programs still do not run, even under $emulator" >&2
  exit 1
fi
