#!/usr/bin/env bash
# Synthesises the sample game's sounds with sox and encodes them with oggenc (Debian packages
# sox and vorbis-tools): a looping music track (A minor, F, C, G with a plucked arpeggio) and
# the button sounds. The output goes to sample/assets/audio/. Everything here is made from
# plain waveforms, so the files carry no one else's rights (see sample/SOURCES.md).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/sample/assets/audio"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rate=22050

# Music: four chords of three seconds, each a soft sine pad with an arpeggio of six notes.
chords=("A2 C3 E3:A3 C4 E4 A4 E4 C4"
        "F2 A2 C3:F3 A3 C4 F4 C4 A3"
        "C3 E3 G3:C4 E4 G4 C5 G4 E4"
        "G2 B2 D3:G3 B3 D4 G4 D4 B3")
parts=()
i=0
for chord in "${chords[@]}"; do
  pad="${chord%%:*}"
  arp="${chord#*:}"
  set -- $pad
  sox -n -r $rate -c 1 "$work/pad$i.wav" synth 3 sine "$1" sine mix "$2" sine mix "$3" \
      tremolo 0.5 20 fade q 0.5 3 0.6 vol 0.5
  notes=()
  j=0
  for note in $arp; do
    sox -n -r $rate -c 1 "$work/n$i-$j.wav" synth 0.5 pluck "$note" fade q 0.005 0.5 0.35 vol 0.35
    notes+=("$work/n$i-$j.wav")
    j=$((j + 1))
  done
  sox "${notes[@]}" "$work/arp$i.wav"
  sox -m "$work/pad$i.wav" "$work/arp$i.wav" "$work/part$i.wav"
  parts+=("$work/part$i.wav")
  i=$((i + 1))
done
sox "${parts[@]}" -b 16 "$work/music.wav" norm -4
oggenc -Q -q 0 -o "$out/music.ogg" "$work/music.wav"

# Button sounds: a short click and a soft rising blip for the mouse passing over.
sox -n -r $rate -c 1 -b 16 "$work/click.wav" synth 0.05 sine 1400 sine mix 2100 fade q 0.002 0.05 0.04 norm -6
oggenc -Q -q 2 -o "$out/click.ogg" "$work/click.wav"
sox -n -r $rate -c 1 -b 16 "$work/rollover.wav" synth 0.09 sine 700:1050 fade q 0.01 0.09 0.06 norm -12
oggenc -Q -q 2 -o "$out/rollover.ogg" "$work/rollover.wav"

ls -l "$out"

# Typing: four short key clicks of different pitch; the options screen's test sound: a bell-like
# ping at the volume being set.
mkdir -p "$out/sfx"
pitches=(1800 2000 2300 2600)
for i in 1 2 3 4; do
  sox -n -r $rate -c 1 -b 16 "$work/typing$i.wav" synth 0.04 square "${pitches[$((i - 1))]}" \
      fade q 0.001 0.04 0.03 norm -10
  oggenc -Q -q 2 -o "$out/sfx/sfx_typing_0$i.ogg" "$work/typing$i.wav"
done
sox -n -r $rate -c 1 -b 16 "$work/test.wav" synth 0.4 sine 880 sine mix 1320 fade q 0.005 0.4 0.35 norm -6
oggenc -Q -q 2 -o "$out/sfx/sfx_testSound.ogg" "$work/test.wav"

# The menu screens: the main menu's theme (slow pads under a bell), the intro's swell and the
# game-over jingle.
menu=("D3 F3 A3" "A#2 D3 F3" "F2 A2 C3" "C3 E3 G3")
parts=()
i=0
for chord in "${menu[@]}"; do
  set -- $chord
  sox -n -r $rate -c 1 "$work/mpad$i.wav" synth 4 sine "$1" sine mix "$2" sine mix "$3" \
      tremolo 0.3 15 fade q 1 4 1 vol 0.5
  sox -n -r $rate -c 1 "$work/mbell$i.wav" synth 4 pluck "$3" pluck mix "$1" fade q 0.005 4 3 vol 0.3
  sox -m "$work/mpad$i.wav" "$work/mbell$i.wav" "$work/mpart$i.wav"
  parts+=("$work/mpart$i.wav")
  i=$((i + 1))
done
sox "${parts[@]}" -b 16 "$work/menu_theme.wav" norm -5
oggenc -Q -q 0 -o "$out/menu_theme.ogg" "$work/menu_theme.wav"
sox -n -r $rate -c 1 -b 16 "$work/intro.wav" synth 6 sine 110:220 sine mix 165:330 sine mix 220:440 \
    fade q 2 6 2 norm -6
oggenc -Q -q 0 -o "$out/intro_theme.ogg" "$work/intro.wav"
jingle=()
for note in C4 E4 G4 C5; do
  sox -n -r $rate -c 1 "$work/j$note.wav" synth 0.25 pluck "$note" fade q 0.005 0.25 0.15 vol 0.5
  jingle+=("$work/j$note.wav")
done
sox "${jingle[@]}" -b 16 "$work/gameover.wav" pad 0 0.4 norm -6
oggenc -Q -q 2 -o "$out/gameover.ogg" "$work/gameover.wav"

# The codex puzzle: a quill scratch for a mark on the grid, a rising three-note chime when a
# round is solved and a longer fanfare when the whole codex is.
mkdir -p "$out/codex"
sox -n -r $rate -c 1 -b 16 "$work/codex_mark.wav" synth 0.08 pinknoise band 3000 1500 \
    fade q 0.005 0.08 0.05 norm -10
oggenc -Q -q 2 -o "$out/codex/mark.ogg" "$work/codex_mark.wav"
for note in C5 E5 G5; do
  sox -n -r $rate -c 1 "$work/chime_$note.wav" synth 0.22 pluck "$note" fade q 0.005 0.22 0.15
done
sox "$work/chime_C5.wav" "$work/chime_E5.wav" "$work/chime_G5.wav" -b 16 "$work/codex_round.wav" norm -6
oggenc -Q -q 2 -o "$out/codex/round.ogg" "$work/codex_round.wav"
for note in C4 E4 G4 C5; do
  sox -n -r $rate -c 1 "$work/fan_$note.wav" synth 0.3 pluck "$note" sine mix "$note" \
      fade q 0.005 0.3 0.2
done
sox -n -r $rate -c 1 "$work/fan_end.wav" synth 1.0 sine C5 sine mix E5 sine mix G5 fade q 0.01 1.0 0.8
sox "$work/fan_C4.wav" "$work/fan_E4.wav" "$work/fan_G4.wav" "$work/fan_C5.wav" "$work/fan_end.wav" \
    -b 16 "$work/codex_solved.wav" norm -6
oggenc -Q -q 2 -o "$out/codex/solved.ogg" "$work/codex_solved.wav"

# The search level: a two-note chime for a find, a bright ping as a list entry is struck out, a
# dull knock for a click on nothing, and the clock's two warnings (five minutes, one minute).
sox -n -r $rate -c 1 -b 16 "$work/found.wav" synth 0.25 sine 1046 sine mix 1568 fade q 0.005 0.25 0.2 : \
    synth 0.45 sine 1318 sine mix 1975 fade q 0.005 0.45 0.4 norm -6
oggenc -Q -q 2 -o "$out/sfx/sfx_found.ogg" "$work/found.wav"
sox -n -r $rate -c 1 -b 16 "$work/markfound.wav" synth 0.3 sine 1760 fade q 0.002 0.3 0.28 norm -10
oggenc -Q -q 2 -o "$out/sfx/sfx_markfound.ogg" "$work/markfound.wav"
sox -n -r $rate -c 1 -b 16 "$work/badclick.wav" synth 0.12 sine 180:110 fade q 0.002 0.12 0.1 norm -6
oggenc -Q -q 2 -o "$out/sfx/sfx_badclick.ogg" "$work/badclick.wav"
sox -n -r $rate -c 1 -b 16 "$work/warn5.wav" synth 0.2 square 660 fade q 0.005 0.2 0.1 : \
    synth 0.2 square 660 fade q 0.005 0.2 0.1 norm -12
oggenc -Q -q 2 -o "$out/sfx/sfx_fiveminutes.ogg" "$work/warn5.wav"
sox -n -r $rate -c 1 -b 16 "$work/warn1.wav" synth 0.15 square 880 fade q 0.005 0.15 0.05 : \
    synth 0.15 square 880 fade q 0.005 0.15 0.05 : synth 0.15 square 880 fade q 0.005 0.15 0.05 \
    norm -12
oggenc -Q -q 2 -o "$out/sfx/sfx_oneminute.ogg" "$work/warn1.wav"
