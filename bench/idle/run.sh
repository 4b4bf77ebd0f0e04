#!/bin/sh
# CPU time used over a quiet stretch (10 s by default) by: a minimal SDL program that only waits
# for events, and the game idle at three screens (its intro, its menu and "Who is playing?"),
# under a virtual X display (Xvfb) and headless. The X server's own time is shown too: what a
# program presents, the server pays. The menu and the chooser are reached through copies of the
# sample's assets without the intro: a fresh installation asks "Who is playing?" first, and the
# menu's copy, without the chooser, makes its player and goes straight to the menu.
# Usage: run.sh PATH/TO/game PATH/TO/idle_sdl_wait DATA_FOLDER [SECONDS]
set -e
game=${1:?usage: run.sh PATH/TO/game PATH/TO/idle_sdl_wait DATA_FOLDER [SECONDS]}
waiter=${2:?usage: run.sh PATH/TO/game PATH/TO/idle_sdl_wait DATA_FOLDER [SECONDS]}
data=${3:?usage: run.sh PATH/TO/game PATH/TO/idle_sdl_wait DATA_FOLDER [SECONDS]}
seconds=${4:-10}
settle=3
for p in "$game" "$waiter"; do
  if [ ! -x "$p" ]; then
    echo "run.sh: $p is not a program (build the targets game and idle_sdl_wait first)" >&2
    exit 2
  fi
done
command -v Xvfb >/dev/null 2>&1 || { echo "run.sh: Xvfb is not installed" >&2; exit 2; }
data=$(cd "$data" && pwd)
log=$(mktemp -d)
# The copies the menu and the chooser are measured on.
menu=$log/menu
chooser=$log/chooser
for d in "$menu" "$chooser"; do
  mkdir -p "$d"
  cp -R "$data/assets" "$d/"
  rm -f "$d/assets/scripts/ui/intro.lua"
done
rm -f "$menu/assets/scripts/ui/chooseplayer.lua"
export XDG_RUNTIME_DIR=$log
xpid=
trap 'rm -rf "$log"; [ -z "$xpid" ] || kill "$xpid" 2>/dev/null || true' EXIT

# CPU time of a process and all its threads so far, in microseconds.
cpu_us() {
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1 } END { printf "%d", ns / 1000 }'
}

# A display number nobody uses.
n=90
while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >"$log/xvfb" 2>&1 &
xpid=$!
i=0
while [ ! -e /tmp/.X11-unix/X$n ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -e /tmp/.X11-unix/X$n ]; then
  echo "run.sh: Xvfb did not start:" >&2
  cat "$log/xvfb" >&2
  exit 2
fi

# Runs the command, lets it settle, and prints the share of one core it (and the X server)
# used over the measured stretch.
measure() {
  label=$1
  key=$2
  shift 2
  # Each run has a data folder of its own, so each starts as a fresh installation.
  XDG_DATA_HOME="$log/data-$key" "$@" >"$log/out" 2>&1 &
  pid=$!
  sleep $settle
  if ! kill -0 $pid 2>/dev/null; then
    echo "run.sh: $label ended early:" >&2
    cat "$log/out" >&2
    exit 1
  fi
  p0=$(cpu_us $pid)
  x0=$(cpu_us $xpid)
  sleep "$seconds"
  p1=$(cpu_us $pid)
  x1=$(cpu_us $xpid)
  kill -TERM $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  awk -v l="$label" -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v s="$seconds" 'BEGIN {
    printf "%-34s %9.1f ms  %6.2f %% of a core   X server %8.1f ms\n", l, p / 1000, p / (s * 10000),
           x / 1000 }'
  eval "used_$key=$((p1 - p0))"
}

echo "idle CPU over ${seconds} s (after ${settle} s to settle), $(nproc) cores," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
measure "SDL program waiting (Xvfb)" sdl env -u ENGINE_HEADLESS DISPLAY=:$n "$waiter"
for screen in intro menu chooser; do
  case $screen in
    intro) folder=$data what="its intro" ;;
    menu) folder=$menu what="its menu" ;;
    chooser) folder=$chooser what="\"Who is playing?\"" ;;
  esac
  measure "game at $what (Xvfb)" "x_$screen" \
    env -u ENGINE_HEADLESS DISPLAY=:$n "$game" -wd="$folder" --multiple
  measure "game at $what (headless)" "headless_$screen" \
    env ENGINE_HEADLESS=1 "$game" -wd="$folder" --multiple
done
# Targets: a screen that does not change no dearer than the SDL program, and at most 0.5 % of a
# core either way.
for screen in intro menu chooser; do
  eval "g=\$used_x_$screen"
  if [ "$used_sdl" -gt 0 ]; then
    awk -v n="$screen" -v g="$g" -v s="$used_sdl" \
      'BEGIN { printf "game at %s (Xvfb) / SDL program: %.2f\n", n, g / s }'
  else
    echo "game at $screen (Xvfb) / SDL program: the SDL program used no measurable time"
  fi
done
