# The fuzzing build: every library carries libFuzzer's coverage instrumentation together with
# AddressSanitizer and UndefinedBehaviorSanitizer, and tests/fuzz links one fuzzer per reader.
# Configure it in a tree of its own with CC=clang CXX=clang++ (tools/fuzz.sh does).
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ENGINE_FUZZ needs clang (libFuzzer): configure with CC=clang CXX=clang++")
endif()
if(ENGINE_SANITIZE OR ENGINE_TSAN)
  message(FATAL_ERROR "ENGINE_FUZZ brings its own sanitizers; leave ENGINE_SANITIZE and ENGINE_TSAN off")
endif()
# Optimised enough to run quickly, yet with assertions and readable stacks.
add_compile_options(-O1 -g -fno-omit-frame-pointer
                    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
add_link_options(-fsanitize=address,undefined)
