#!/usr/bin/env bash
# Synthesises the sample layer puzzle's sounds with sox and encodes them with oggenc (Debian
# packages sox and vorbis-tools) into sample/assets/audio/layer/: picking a photo up, dropping
# it, its snap to the grid, a correct placement, a change of layer, and the round and puzzle
# fanfares. Everything is made from plain waveforms (see sample/SOURCES.md).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/sample/assets/audio/layer"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rate=22050

encode() { oggenc -Q -q 2 -o "$out/$1.ogg" "$work/$1.wav"; }

# Paper sliding up, and put down again.
sox -n -r $rate -c 1 -b 16 "$work/pickup.wav" synth 0.12 pinknoise band 2500 1500 \
    fade q 0.01 0.12 0.08 norm -14
encode pickup
sox -n -r $rate -c 1 -b 16 "$work/drop.wav" synth 0.1 pinknoise lowpass 900 \
    fade q 0.002 0.1 0.08 norm -10
encode drop
# A short wooden tick when the photo snaps to a grid point.
sox -n -r $rate -c 1 -b 16 "$work/snap.wav" synth 0.03 sine 1100 fade q 0.001 0.03 0.025 norm -12
encode snap
# Two rising notes for a photo in its place.
sox -n -r $rate -c 1 -b 16 "$work/c1.wav" synth 0.12 pluck E5 fade q 0.005 0.12 0.05
sox -n -r $rate -c 1 -b 16 "$work/c2.wav" synth 0.3 pluck B5 fade q 0.005 0.3 0.2
sox "$work/c1.wav" "$work/c2.wav" "$work/correct.wav" norm -8
encode correct
# A photo shuffled up or down the stack: a short sweep of a third of a second.
sox -n -r $rate -c 1 -b 16 "$work/layer_change.wav" synth 0.33 sine 500:900 sine mix 750:1350 \
    tremolo 24 40 fade q 0.02 0.33 0.15 norm -12
encode layer_change
# Round complete: a rising arpeggio; puzzle complete: the arpeggio and a held chord.
notes=()
for n in C5 E5 G5 C6; do
  sox -n -r $rate -c 1 -b 16 "$work/r$n.wav" synth 0.14 pluck $n fade q 0.005 0.14 0.06
  notes+=("$work/r$n.wav")
done
sox "${notes[@]}" "$work/round_complete.wav" norm -6
encode round_complete
sox -n -r $rate -c 1 -b 16 "$work/chord.wav" synth 1.2 pluck C5 pluck mix E5 pluck mix G5 \
    pluck mix C6 fade q 0.01 1.2 0.9
sox "$work/round_complete.wav" "$work/chord.wav" "$work/level_complete.wav" norm -6
encode level_complete
ls -l "$out"
