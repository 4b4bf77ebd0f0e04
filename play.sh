#!/usr/bin/env bash
# Installs what is missing, builds the game (Release) and plays the sample game.
set -euo pipefail
cd "$(dirname "$0")"
# Checked before the build, which takes minutes the first time.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play.sh: a display is needed to play (no DISPLAY or WAYLAND_DISPLAY is set)." >&2
  exit 1
fi
./tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF
cmake --build build/release --target game
exec build/release/bin/game -wd="$(pwd)/sample" "$@"
