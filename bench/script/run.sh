#!/bin/sh
# Runs every benchmark script of this folder (or the ones named) through scriptrun.
# Usage: run.sh PATH/TO/scriptrun [NAME.lua ...]
set -e
runner=${1:?usage: run.sh PATH/TO/scriptrun [NAME.lua ...]}
shift
cd "$(dirname "$0")"
[ $# -gt 0 ] || set -- *.lua
status=0
for script in "$@"; do
  "$runner" "$script" || { echo "$script: failed" >&2; status=1; }
done
exit $status
