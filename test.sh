#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test under a virtual X display; then builds the
# tests of code that shares data between threads with ThreadSanitizer and runs them again.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
jobs="$(nproc)"
# The compiler cache is shared between checkouts of the project in different folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
display=(xvfb-run -a -s "-screen 0 1280x1024x24")

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DENGINE_SANITIZE=ON
cmake --build build/test -j "$jobs"
(cd build/test && "${display[@]}" ctest --output-on-failure -j "$jobs" --timeout 300)

cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DENGINE_TSAN=ON
cmake --build build/tsan -j "$jobs" --target threaded_tests
(cd build/tsan && TSAN_OPTIONS="halt_on_error=1" "${display[@]}" \
   ctest --output-on-failure -j "$jobs" --timeout 300 -L threads)
