#!/usr/bin/env bash
# Generates the three break sounds in resources/sounds/ from plain synthesised tones, so the audio
# is our own and can be rebuilt bit for bit. The mp3 files are committed; run this only to change
# them. Needs sox with mp3 support (Debian: sox libsox-fmt-mp3), which the build does not.
set -euo pipefail
cd "$(dirname "$0")/.."
out=resources/sounds
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# -R: repeatable (no random seed), -D: no dither, so the same sox writes the same bytes.
sx() { sox -R -D -V1 "$@"; }

# One soft bell-like note: a plucked string with a short fade, at a modest level.
note() { # file seconds pitch
    sx -n -r 44100 -c 1 -b 16 "$1" synth "$2" pluck "$3" fade q 0.005 "$2" 0.12 gain -8
}

# Two rising notes: a break is coming.
note "$work/a1.wav" 0.22 E5
note "$work/a2.wav" 0.45 A5
sx "$work/a1.wav" "$work/a2.wav" -C 128 --comment "" "$out/break-about-to-begin.mp3"

# Three falling notes: time to step away.
note "$work/s1.wav" 0.22 A5
note "$work/s2.wav" 0.22 E5
note "$work/s3.wav" 0.55 C5
sx "$work/s1.wav" "$work/s2.wav" "$work/s3.wav" -C 128 --comment "" "$out/break-started.mp3"

# Three rising notes: welcome back.
note "$work/e1.wav" 0.2 C5
note "$work/e2.wav" 0.2 E5
note "$work/e3.wav" 0.5 G5
sx "$work/e1.wav" "$work/e2.wav" "$work/e3.wav" -C 128 --comment "" "$out/break-ends.mp3"

ls -l "$out"
