#!/bin/sh
# Runs every benchmark script of this folder (or the ones named) through scriptrun, and through
# the reference interpreter lua5.1 when it is installed, printing each time and peak memory
# (maximum resident set, KB), their ratios and the geometric mean of the time ratios. When
# luajit is installed, its interpreter alone (-joff) is timed too, as a second yardstick.
# Usage: run.sh PATH/TO/scriptrun [-n RUNS] [NAME.lua ...]
# With -n, each script runs RUNS times on each interpreter, the interpreters taking turns, and
# the fastest run counts: single timings on a shared machine vary too much to compare two builds.
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
jit=$(command -v luajit || true)
timer=/usr/bin/time
[ -x "$timer" ] || timer=""
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# run NAME COMMAND...: runs one script, keeping in NAME_time, NAME_kb and NAME_line the fastest
# run so far and the smallest peak memory; returns 1 when the run fails.
run() {
  name=$1
  shift
  if [ -n "$timer" ]; then
    "$timer" -f %M -o "$out" "$@" >"$out.line" || return 1
    kb=$(tail -n 1 "$out")
  else
    "$@" >"$out.line" || return 1
    kb=""
  fi
  line=$(cat "$out.line")
  rm -f "$out.line"
  t=$(echo "$line" | sed -n 's/.*time \([0-9.]*\) s.*/\1/p')
  eval "old=\$${name}_time oldkb=\$${name}_kb"
  if [ -z "$old" ] || awk -v a="$t" -v b="$old" 'BEGIN { exit !(a < b) }'; then
    eval "${name}_time=\$t ${name}_line=\$line"
  fi
  if [ -n "$kb" ] && { [ -z "$oldkb" ] || [ "$kb" -lt "$oldkb" ]; }; then eval "${name}_kb=\$kb"; fi
  return 0
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

status=0
logsum=0
count=0
jitlogsum=0
jitcount=0
for script in "$@"; do
  ours_time="" ours_kb="" ref_time="" ref_kb="" ref_failed="" jit_time="" jit_kb="" jit_failed=""
  failed=""
  i=0
  while [ $i -lt "$runs" ]; do
    if ! run ours "$runner" "$script"; then failed=1; break; fi
    if [ -n "$reference" ] && [ -z "$ref_failed" ]; then run ref "$reference" "$script" || ref_failed=1; fi
    if [ -n "$jit" ] && [ -z "$jit_failed" ]; then run jit "$jit" -joff "$script" 2>/dev/null || jit_failed=1; fi
    i=$((i + 1))
  done
  if [ -n "$failed" ]; then
    echo "$script: failed" >&2
    status=1
    continue
  fi
  text="$ours_line   ${ours_kb:-?} KB"
  if [ -n "$reference" ]; then
    if [ -n "$ref_failed" ]; then
      text="$text   (lua5.1 failed)"
    else
      r=$(ratio "$ours_time" "$ref_time")
      text="$text   lua5.1 $ref_time s ${ref_kb:-?} KB   ratio $r  memory $(ratio "${ours_kb:-0}" "${ref_kb:-0}")"
      if [ "$r" != "-" ]; then
        logsum=$(awk -v s="$logsum" -v r="$r" 'BEGIN { printf "%.6f", s + log(r) }')
        count=$((count + 1))
      fi
    fi
  fi
  if [ -n "$jit" ] && [ -z "$jit_failed" ]; then
    r=$(ratio "$ours_time" "$jit_time")
    text="$text   luajit -joff $jit_time s  ratio $r"
    if [ "$r" != "-" ]; then
      jitlogsum=$(awk -v s="$jitlogsum" -v r="$r" 'BEGIN { printf "%.6f", s + log(r) }')
      jitcount=$((jitcount + 1))
    fi
  fi
  echo "$text"
done
if [ "$count" -gt 0 ]; then
  awk -v s="$logsum" -v n="$count" 'BEGIN { printf "geometric mean of the ratios to lua5.1: %.2f over %d scripts\n", exp(s / n), n }'
fi
if [ "$jitcount" -gt 0 ]; then
  awk -v s="$jitlogsum" -v n="$jitcount" 'BEGIN { printf "geometric mean of the ratios to luajit -joff: %.2f over %d scripts\n", exp(s / n), n }'
fi
exit $status
