# Runs the converter on the digits and the colon and compares the result with the expected file.
execute_process(COMMAND ${TOOL} ${FONT} ${OUT} 48-58 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mvecfont failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${EXPECTED} RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "converted font differs from ${EXPECTED}")
endif()
