#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, in build/fuzz) and runs them.
#
#   tools/fuzz.sh [--time SECONDS] [--jobs N] [TARGET...]
#       Runs each target (all when none is named) for SECONDS (default 3600), N at a time
#       (default: the number of processors), growing its corpus in build/fuzz/corpus/TARGET.
#       What it finds lands in build/fuzz/findings/TARGET/, each file beside a minimised copy
#       (NAME.min); a finding is replayed with build/fuzz/bin/fuzz_TARGET FILE.
#   tools/fuzz.sh --ci [--time SECONDS] [--jobs N] [TARGET...]
#       The continuous-integration stage: every target from its committed seeds alone, for
#       SECONDS each (default 30). Fails when any target crashes, leaks, reports undefined
#       behaviour or runs past the time-out on one input.
#   tools/fuzz.sh --list
#       Names the targets.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
fuzz_dir="$root/tests/fuzz"
build="$root/build/fuzz"

ci=0
seconds=""
jobs="$(nproc)"
list=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --ci) ci=1 ;;
    --time) seconds="$2"; shift ;;
    --jobs) jobs="$2"; shift ;;
    --list) list=1 ;;
    -h|--help) sed -n '2,18p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1") ;;
  esac
  shift
done
[ -n "$seconds" ] || seconds=$([ $ci -eq 1 ] && echo 30 || echo 3600)

all=()
for src in "$fuzz_dir"/*.cpp; do all+=("$(basename "$src" .cpp)"); done
if [ $list -eq 1 ]; then printf '%s\n' "${all[@]}"; exit 0; fi
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

# The dictionary of a target: its own NAME.dict, else the one of its format.
dictionary() {
  local name="$1"
  if [ -f "$fuzz_dir/$name.dict" ]; then echo "$fuzz_dir/$name.dict"; return; fi
  case "$name" in
    lua_load|lua_run|savegame|anim_steps) echo "$fuzz_dir/lua.dict" ;;
    xml|string_table|prefs) echo "$fuzz_dir/xml.dict" ;;
  esac
}

./tools/install-deps.sh
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DENGINE_FUZZ=ON \
  -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 >/dev/null
cmake --build "$build" -j "$jobs" --target fuzzers

# Leaks, undefined behaviour and time-outs all end a run with a report and a non-zero status.
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$fuzz_dir/lsan.supp:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
per_input=10

run_target() {
  local name="$1" log="$2"
  local exe="$build/bin/fuzz_$name" findings="$build/findings/$name" corpus
  local options=(-max_total_time="$seconds" -timeout="$per_input" -rss_limit_mb=2560
                 -print_final_stats=1 -artifact_prefix="$findings/")
  local dict
  dict="$(dictionary "$name")"
  [ -z "$dict" ] || options+=(-dict="$dict")
  # libvorbis is built without frame pointers: only a full unwind of an allocation reaches the
  # libvorbisfile frame that the leak suppression names.
  local ASAN_OPTIONS="$ASAN_OPTIONS"
  [ "$name" != ogg_sound ] || ASAN_OPTIONS="fast_unwind_on_malloc=0:$ASAN_OPTIONS"
  mkdir -p "$findings"
  if [ $ci -eq 1 ]; then
    # A fresh corpus each time: the stage starts from what is committed.
    corpus="$(mktemp -d)"
    local status=0
    "$exe" "${options[@]}" "$corpus" "$fuzz_dir/seeds/$name" >"$log" 2>&1 || status=$?
    rm -rf "$corpus"
    return $status
  fi
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  "$exe" "${options[@]}" "$corpus" "$fuzz_dir/seeds/$name" >"$log" 2>&1 || true
  for found in "$findings"/crash-* "$findings"/leak-* "$findings"/timeout-* "$findings"/oom-*; do
    [ -f "$found" ] || continue
    case "$found" in *.min) continue ;; esac
    [ -f "$found.min" ] && continue
    "$exe" -minimize_crash=1 -max_total_time=120 -timeout="$per_input" \
           -exact_artifact_path="$found.min" "$found" >>"$log" 2>&1 || true
    [ -f "$found.min" ] || cp "$found" "$found.min"
  done
}

logs="$build/logs"
mkdir -p "$logs"
failed=()
running=0
started=$SECONDS
for name in "${targets[@]}"; do
  if [ ! -x "$build/bin/fuzz_$name" ]; then echo "fuzz.sh: no target $name" >&2; exit 2; fi
  rm -f "$logs/$name.status"
  (status=0; run_target "$name" "$logs/$name.log" || status=$?; echo $status >"$logs/$name.status") &
  running=$((running + 1))
  if [ $running -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait
for name in "${targets[@]}"; do
  status=$(cat "$logs/$name.status")
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$logs/$name.log" | grep -o '[0-9]*$' || true)
  if [ $ci -eq 1 ] && [ $status -ne 0 ]; then
    failed+=("$name")
    printf '%-14s FAILED (log: %s)\n' "$name" "$logs/$name.log"
    { grep -E 'ERROR|SUMMARY|changed|Test unit written' "$logs/$name.log" || true; } | head -5 | sed 's/^/    /'
  else
    printf '%-14s %s runs\n' "$name" "${runs:-?}"
  fi
done
echo "fuzzing took $((SECONDS - started)) s"
if [ $ci -eq 0 ]; then
  find "$build/findings" -name '*.min' | sed 's/^/found: /'
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: ${#failed[@]} target(s) failed: ${failed[*]}" >&2
  exit 1
fi
