#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test under a virtual X display; then builds the
# tests of code that shares data between threads with ThreadSanitizer and runs them again.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
# JOBS sets both the build's and the tests' parallelism; CMAKE_BUILD_PARALLEL_LEVEL and
# CTEST_PARALLEL_LEVEL set each one apart; without any of them every core is used.
jobs="${JOBS:-$(nproc)}"
build_jobs="${CMAKE_BUILD_PARALLEL_LEVEL:-$jobs}"
test_jobs="${CTEST_PARALLEL_LEVEL:-$jobs}"
# The compiler cache is shared between checkouts of the project in different folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
display=(xvfb-run -a -s "-screen 0 1280x1024x24")

# A unity build compiles each library in a few large units: far fewer runs of the compiler.
options=(-DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16)
# Each test program runs its tests in one process: one start-up (and one leak check) a program.
options+=(-DENGINE_WHOLE_TEST_PROGRAMS=ON)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DENGINE_SANITIZE=ON "${options[@]}"
cmake --build build/test -j "$build_jobs"
(cd build/test && "${display[@]}" ctest --output-on-failure -j "$test_jobs" --timeout 300)

cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DENGINE_TSAN=ON "${options[@]}"
cmake --build build/tsan -j "$build_jobs" --target threaded_tests
(cd build/tsan && TSAN_OPTIONS="halt_on_error=1" "${display[@]}" \
   ctest --output-on-failure -j "$test_jobs" --timeout 300 -L threads)
