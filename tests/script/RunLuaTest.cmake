# Runs one script test: scriptrun NAME.lua in DIR, output to OUT/NAME.out, compared with
# DIR/NAME.expected. Usage: cmake -DRUNNER=... -DNAME=... -DDIR=... -DOUT=... -P RunLuaTest.cmake
file(MAKE_DIRECTORY ${OUT})
set(actual ${OUT}/${NAME}.out)
execute_process(COMMAND ${RUNNER} ${NAME}.lua
                WORKING_DIRECTORY ${DIR}
                OUTPUT_FILE ${actual}
                ERROR_VARIABLE err
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NAME}.lua failed (${rc}): ${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${actual} ${DIR}/${NAME}.expected
                RESULT_VARIABLE differ)
if(differ)
  execute_process(COMMAND diff -u ${DIR}/${NAME}.expected ${actual})
  message(FATAL_ERROR "${NAME}.lua: output differs from ${NAME}.expected (actual in ${actual})")
endif()
