#!/usr/bin/env bash
# Synthesises the sample game's sequence puzzle sounds with sox and encodes them with oggenc
# (Debian packages sox and vorbis-tools): picking a piece up, dropping it, its snap into a
# slot, the slide of pieces making way, the clue panels' rollover, the fail sound of a wrong
# row and the hint's chime. The output goes to sample/assets/audio/sequence/. Everything is made
# from plain waveforms, so the files carry no one else's rights (see sample/SOURCES.md).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/sample/assets/audio/sequence"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rate=22050

tone() {
  local name="$1"
  shift
  sox -n -r $rate -c 1 -b 16 "$work/$name.wav" "$@"
  oggenc -Q -q 2 -o "$out/$name.ogg" "$work/$name.wav"
}

# A wooden tap rising for the pickup, falling for the drop; a bright click for the snap.
tone pickup synth 0.08 sine 500:900 sine mix 1000:1800 fade q 0.003 0.08 0.06 norm -8
tone drop synth 0.09 sine 800:420 sine mix 1600:840 fade q 0.003 0.09 0.07 norm -8
tone snap synth 0.04 square 2200 sine mix 3300 fade q 0.001 0.04 0.035 norm -10
# A soft brushed whoosh while pieces slide aside.
tone slide synth 0.22 pinknoise band 1800 900 fade q 0.05 0.22 0.12 norm -16
# A quiet page-turn tick for the clue panels.
tone clue synth 0.06 sine 1200:1500 fade q 0.005 0.06 0.05 norm -16
# The wrong row: two falling low tones.
sox -n -r $rate -c 1 -b 16 "$work/fail1.wav" synth 0.18 sawtooth 330 fade q 0.01 0.18 0.08 vol 0.4
sox -n -r $rate -c 1 -b 16 "$work/fail2.wav" synth 0.3 sawtooth 247 fade q 0.01 0.3 0.2 vol 0.4
sox "$work/fail1.wav" "$work/fail2.wav" -b 16 "$work/fail.wav" lowpass 1500 norm -6
oggenc -Q -q 2 -o "$out/fail.ogg" "$work/fail.wav"
# The hint: a rising three-note chime.
parts=()
for note in C5 E5 G5; do
  sox -n -r $rate -c 1 -b 16 "$work/h$note.wav" synth 0.16 pluck "$note" fade q 0.003 0.16 0.1
  parts+=("$work/h$note.wav")
done
sox "${parts[@]}" -b 16 "$work/hint.wav" norm -8
oggenc -Q -q 2 -o "$out/hint.ogg" "$work/hint.wav"
# A round solved: a major arpeggio ending on a held chord.
parts=()
for note in C4 E4 G4 C5; do
  sox -n -r $rate -c 1 -b 16 "$work/w$note.wav" synth 0.14 pluck "$note" fade q 0.003 0.14 0.08
  parts+=("$work/w$note.wav")
done
sox -n -r $rate -c 1 -b 16 "$work/chord.wav" synth 0.8 pluck C4 pluck mix E4 pluck mix G4 \
    fade q 0.005 0.8 0.6
sox "${parts[@]}" "$work/chord.wav" -b 16 "$work/round.wav" norm -6
oggenc -Q -q 2 -o "$out/round.ogg" "$work/round.wav"

ls -l "$out"
