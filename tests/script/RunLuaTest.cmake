# Runs one script test through scriptrun, from DIR, with the arguments "alpha" and "beta".
#   MODE run (default): exit code 0 and standard output equal to DIR/NAME.expected.
#   MODE compile: the script is first written as a precompiled chunk, which then runs as above.
#   MODE fail: exit code 1 and standard error equal to DIR/NAME.expected.
# Usage: cmake -DRUNNER=... -DNAME=... -DDIR=... -DOUT=... [-DMODE=...] -P RunLuaTest.cmake
file(MAKE_DIRECTORY ${OUT})
set(actual ${OUT}/${NAME}.${MODE}.out)
set(script ${NAME}.lua)
if(MODE STREQUAL "compile")
  set(script ${OUT}/${NAME}.luac)
  execute_process(COMMAND ${RUNNER} -o ${script} ${NAME}.lua
                  WORKING_DIRECTORY ${DIR} ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NAME}.lua did not compile (${rc}): ${err}")
  endif()
endif()
if(MODE STREQUAL "fail")
  execute_process(COMMAND ${RUNNER} ${script} alpha beta
                  WORKING_DIRECTORY ${DIR} OUTPUT_QUIET ERROR_FILE ${actual} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 1)
    message(FATAL_ERROR "${NAME}.lua should have failed with exit code 1, got ${rc}")
  endif()
else()
  execute_process(COMMAND ${RUNNER} ${script} alpha beta
                  WORKING_DIRECTORY ${DIR} OUTPUT_FILE ${actual} ERROR_VARIABLE err
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NAME}.lua failed (${rc}): ${err}")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${actual} ${DIR}/${NAME}.expected
                RESULT_VARIABLE differ)
if(differ)
  execute_process(COMMAND diff -u ${DIR}/${NAME}.expected ${actual})
  message(FATAL_ERROR "${NAME}.lua: output differs from ${NAME}.expected (actual in ${actual})")
endif()
