#!/usr/bin/env bash
# Synthesises the sample word puzzle's sounds with sox and encodes them with oggenc (Debian
# packages sox and vorbis-tools) into sample/assets/word/: a wooden tap when a letter is picked,
# a soft swish as the cells turn to take it, a low buzz for a click that goes nowhere and a
# rising chime for a finished round. Plain waveforms only, so the files carry no one else's
# rights (see sample/SOURCES.md).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/sample/assets/word"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rate=22050

sox -n -r $rate -c 1 -b 16 "$work/letter.wav" synth 0.08 pluck 660 sine mix 990 \
    fade q 0.002 0.08 0.07 norm -6
oggenc -Q -q 2 -o "$out/letter_click.ogg" "$work/letter.wav"

sox -n -r $rate -c 1 -b 16 "$work/rotate.wav" synth 0.25 pinknoise band 1800 1200 \
    fade q 0.05 0.25 0.18 norm -14
oggenc -Q -q 2 -o "$out/panel_rotate.ogg" "$work/rotate.wav"

sox -n -r $rate -c 1 -b 16 "$work/wrong.wav" synth 0.18 square 110 square mix 116 \
    fade q 0.01 0.18 0.08 norm -12
oggenc -Q -q 2 -o "$out/wrong_click.ogg" "$work/wrong.wav"

notes=()
for n in C5 E5 G5 C6; do
  sox -n -r $rate -c 1 -b 16 "$work/chime$n.wav" synth 0.16 pluck "$n" fade q 0.002 0.16 0.1 vol 0.5
  notes+=("$work/chime$n.wav")
done
sox "${notes[@]}" -b 16 "$work/chime.wav" norm -6
oggenc -Q -q 2 -o "$out/round_end.ogg" "$work/chime.wav"

ls -l "$out"/*.ogg
