#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test under a virtual X display.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DENGINE_SANITIZE=ON
cmake --build build/test
cd build/test
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)" --timeout 300
