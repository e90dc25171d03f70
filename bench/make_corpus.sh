#!/usr/bin/env bash
# Writes the benchmark corpus into DIR: screen-saver-like files, each made
# deterministically from Debian's packages or from our own build, and a
# table (DIR/SOURCES) of where each file came from.
#   bench/make_corpus.sh DIR [SAMPLE_SAVER.scr]
set -euo pipefail
dir=$1
saver=${2:-}
mkdir -p "$dir"
cd "$dir"
: > SOURCES

note() { printf '%s\t%s\n' "$1" "$2" >> SOURCES; }

bmp() {  # name builtin size depth
  local name=$1 builtin=$2 size=$3 depth=$4 type
  if [ "$depth" = 8 ]; then type=(-type Palette -colors 256); else type=(-type TrueColor); fi
  convert "$builtin:" -resize "$size!" "${type[@]}" -compress None "BMP3:$name"
  note "$name" "ImageMagick built-in $builtin: scaled to $size, $depth-bit BMP"
}

bmp logo-640x480-8.bmp logo 640x480 8
bmp logo-1024x768-24.bmp logo 1024x768 24
bmp wizard-640x480-24.bmp wizard 640x480 24
bmp wizard-1024x768-8.bmp wizard 1024x768 8
bmp rose-1024x768-24.bmp rose 1024x768 24
bmp granite-640x480-8.bmp granite 640x480 8

espeak-ng -v de -w speech-de.wav \
  "Dieser Bildschirmschoner zeigt ruhige Bilder, solange Sie nicht am Computer arbeiten. Bewegen Sie die Maus, um ihn zu beenden."
note speech-de.wav "espeak-ng, German voice, WAV"
espeak-ng -v en -w speech-en.wav \
  "The quick brown fox jumps over the lazy dog while the screen saver draws slow waves of colour across the monitor."
note speech-en.wav "espeak-ng, English voice, WAV"

cp /usr/share/common-licenses/GPL-3 license.txt
note license.txt "/usr/share/common-licenses/GPL-3 (plain text)"

# Seeded generated data: a literal-heavy text of words drawn from a small
# vocabulary, and a table of records with repeating fields.
python3 - <<'PY'
import random
r = random.Random(20261211)
words = [w for w in open("license.txt").read().split() if w.isalpha()][:600]
out = []
while sum(len(w) + 1 for w in out) < 600_000:
    out.append(r.choice(words))
open("words.txt", "w").write(" ".join(out))
rows = []
for i in range(20000):
    rows.append(f"{i:06d};FILE{r.randrange(10000):04d}.TMP;{r.randrange(1 << 20)};{r.choice(['stored','compressed'])}\n")
open("records.csv", "w").write("".join(rows))
PY
note words.txt "seeded generator: words of license.txt in random order"
note records.csv "seeded generator: 20000 records with repeating fields"

if [ -n "$saver" ]; then
  cp "$saver" sample-saver.scr
  note sample-saver.scr "our sample screen saver ($saver)"
fi
