#!/usr/bin/env bash
# Synthesises the arcade mode's sounds with sox and encodes them with oggenc (Debian packages
# sox and vorbis-tools): seven short effects (found, all found, wrong, wrong again, bonus loss,
# hint, bonus gain) and six short music loops, one of which each level plays. Everything is
# made from plain waveforms here, so the files carry no one else's rights (see sample/SOURCES.md).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
sfx="$here/sample/assets/audio/sfx"
music="$here/sample/assets/audio/music"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$sfx" "$music"
rate=22050

effect() {  # name, then the sox synth arguments
  local name="$1"; shift
  sox -n -r $rate -c 1 -b 16 "$work/$name.wav" "$@"
  oggenc -Q -q 2 -o "$sfx/$name.ogg" "$work/$name.wav"
}
effect found_object synth 0.25 sine 880:1760 fade q 0.005 0.25 0.15 norm -6
effect sfx_find_all_objects_alt synth 1.2 pluck C5 pluck E5 pluck G5 delay 0 0.15 0.3 \
  remix - fade q 0.01 1.2 0.5 norm -4
effect sfx_incorrect synth 0.3 square 180:120 fade q 0.005 0.3 0.2 norm -10
effect sfx_incorrect2 synth 0.45 square 150:90 tremolo 18 80 fade q 0.005 0.45 0.25 norm -9
effect sfx_bonus_loss synth 0.5 sine 660:220 fade q 0.01 0.5 0.3 norm -8
effect sfx_button_hint synth 0.6 sine 1320 sine mix 1980 tremolo 9 60 fade q 0.01 0.6 0.4 norm -8
effect sfx_bonus_gain_alt_2 synth 0.35 pluck A5 pluck E6 delay 0 0.1 remix - \
  fade q 0.005 0.35 0.2 norm -7

# Music: each loop is four bars of a bass note and a plucked arpeggio over its own chords.
loop() {  # name, tempo (seconds per note), then four "bass:arpeggio" chords
  local name="$1" step="$2"; shift 2
  local parts=() i=0
  for chord in "$@"; do
    local bass="${chord%%:*}" arp="${chord#*:}" notes=() j=0
    for note in $arp; do
      sox -n -r $rate -c 1 "$work/$name-n$i-$j.wav" synth "$step" pluck "$note" \
          fade q 0.005 "$step" 0.1 vol 0.4
      notes+=("$work/$name-n$i-$j.wav")
      j=$((j + 1))
    done
    sox "${notes[@]}" "$work/$name-a$i.wav"
    local length
    length=$(soxi -D "$work/$name-a$i.wav")
    sox -n -r $rate -c 1 "$work/$name-b$i.wav" synth "$length" sine "$bass" fade q 0.05 "$length" 0.2 vol 0.35
    sox -m "$work/$name-b$i.wav" "$work/$name-a$i.wav" "$work/$name-p$i.wav"
    parts+=("$work/$name-p$i.wav")
    i=$((i + 1))
  done
  sox "${parts[@]}" -b 16 "$work/$name.wav" norm -5
  oggenc -Q -q 0 -o "$music/$name.ogg" "$work/$name.wav"
}
loop contemp_loop_1 0.25 "A2:A3 C4 E4 A4" "F2:F3 A3 C4 F4" "C3:C4 E4 G4 C5" "G2:G3 B3 D4 G4"
loop contemp_loop_2 0.2 "D3:D4 F4 A4 D5" "B2:B3 D4 F4 B4" "G2:G3 B3 D4 G4" "A2:A3 C#4 E4 A4"
loop contemp_loop_3 0.22 "E2:E3 G3 B3 E4" "C3:C4 E4 G4 C5" "D3:D4 F#4 A4 D5" "B2:B3 D#4 F#4 B4"
loop mellow_bass_loop_2 0.35 "C2:C4 E4 G4 E4" "A1:A3 C4 E4 C4" "F1:F3 A3 C4 A3" "G1:G3 B3 D4 B3"
loop mellow_rock_loop_1 0.18 "E2:E3 E4 B3 E4" "G2:G3 G4 D4 G4" "A2:A3 A4 E4 A4" "C3:C4 C5 G4 C5"
loop spanish_loop_1 0.16 "A2:A3 C4 E4 A4 E4 C4" "G2:G3 B3 D4 G4 D4 B3" "F2:F3 A3 C4 F4 C4 A3" \
  "E2:E3 G#3 B3 E4 B3 G#3"
ls -l "$sfx" "$music"
