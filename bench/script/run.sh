#!/bin/sh
# Runs every benchmark script of this folder (or the ones named) through scriptrun.
# Usage: run.sh PATH/TO/scriptrun [-n RUNS] [NAME.lua ...]
# With -n, each script runs RUNS times and the line of its fastest run is printed: single
# timings on a shared machine vary too much to compare two builds.
set -e
runner=${1:?usage: run.sh PATH/TO/scriptrun [-n RUNS] [NAME.lua ...]}
given=$1
shift
# The scripts run from this folder: a relative path to scriptrun is made absolute first.
case $runner in
  /*) ;;
  */*) runner=$(cd "$(dirname "$runner")" 2>/dev/null && pwd)/$(basename "$runner") ||
    runner=$given ;;
esac
if [ ! -x "$runner" ] && ! command -v "$runner" >/dev/null 2>&1; then
  echo "run.sh: $given is not a program (build the target scriptrun first)" >&2
  exit 2
fi
runs=1
if [ "$1" = "-n" ]; then
  runs=${2:?-n needs a count}
  shift 2
fi
cd "$(dirname "$0")"
[ $# -gt 0 ] || set -- *.lua
status=0
for script in "$@"; do
  best=""
  bestline=""
  i=0
  while [ $i -lt "$runs" ]; do
    line=$("$runner" "$script") || { echo "$script: failed" >&2; status=1; break; }
    t=$(echo "$line" | sed -n 's/.*time \([0-9.]*\) s.*/\1/p')
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$t
      bestline=$line
    fi
    i=$((i + 1))
  done
  [ -n "$bestline" ] && echo "$bestline"
done
exit $status
