#!/bin/sh
# Runs every benchmark script of this folder (or the ones named) through scriptrun, and through
# the reference interpreter lua5.1 when it is installed, printing each time, their ratio and the
# geometric mean of the ratios, and each side's peak memory (resident set, with GNU time).
# Usage: run.sh PATH/TO/scriptrun [-n RUNS] [NAME.lua ...]
# With -n, each script runs RUNS times and its fastest run counts: single timings on a shared
# machine vary too much to compare two builds.
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
reference=$(command -v lua5.1 || true)
gnutime=$( [ -x /usr/bin/time ] && echo /usr/bin/time || true)
memfile=$(mktemp)
trap 'rm -f "$memfile"' EXIT

# best RUNNER SCRIPT: the line of the fastest of $runs runs, or nothing when a run fails.
best() {
  bestline=""
  besttime=""
  i=0
  bestmem=""
  while [ $i -lt "$runs" ]; do
    if [ -n "$gnutime" ]; then
      line=$("$gnutime" -f %M -o "$memfile" "$1" "$2") || return 1
      mem=$(tail -n 1 "$memfile")
      if [ -z "$bestmem" ] || [ "$mem" -lt "$bestmem" ]; then bestmem=$mem; fi
    else
      line=$("$1" "$2") || return 1
    fi
    t=$(echo "$line" | sed -n 's/.*time \([0-9.]*\) s.*/\1/p')
    if [ -z "$besttime" ] || awk -v a="$t" -v b="$besttime" 'BEGIN { exit !(a < b) }'; then
      besttime=$t
      bestline=$line
    fi
    i=$((i + 1))
  done
}

status=0
logsum=0
count=0
for script in "$@"; do
  if ! best "$runner" "$script"; then
    echo "$script: failed" >&2
    status=1
    continue
  fi
  ours=$besttime
  oursmem=$bestmem
  if [ -z "$reference" ]; then
    echo "$bestline"
    continue
  fi
  oursline=$bestline
  if ! best "$reference" "$script"; then
    echo "$oursline   (lua5.1 failed)"
    continue
  fi
  ratio=$(awk -v a="$ours" -v b="$besttime" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
  memory=""
  if [ -n "$oursmem" ] && [ -n "$bestmem" ]; then
    memory=$(awk -v a="$oursmem" -v b="$bestmem" \
      'BEGIN { printf "   peak %.1f MB, lua5.1 %.1f MB", a / 1024, b / 1024 }')
  fi
  echo "$oursline   lua5.1 $besttime s   ratio $ratio$memory"
  if [ "$ratio" != "-" ]; then
    logsum=$(awk -v s="$logsum" -v r="$ratio" 'BEGIN { printf "%.6f", s + log(r) }')
    count=$((count + 1))
  fi
done
if [ "$count" -gt 0 ]; then
  awk -v s="$logsum" -v n="$count" 'BEGIN { printf "geometric mean of the ratios to lua5.1: %.2f over %d scripts\n", exp(s / n), n }'
fi
exit $status
