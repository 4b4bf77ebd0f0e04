# engine_library(NAME DIR [EXCLUDE subdir...] [ONLY stem...] [SKIP stem...] [DEPS target...])
# Builds every .cpp/.c below DIR (except the excluded subfolders, which are libraries of their
# own) into one static library; ONLY keeps just the named files of DIR, SKIP leaves the named
# files out (for a folder that holds two libraries). DEPS are the libraries it really uses: the
# dependency graph must stay free of cycles (checked at configure time, see CheckCycles.cmake).
function(engine_library name dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;ONLY;SKIP;DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
  foreach(ex ${ARG_EXCLUDE})
    list(FILTER srcs EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${dir}/${ex}/")
  endforeach()
  if(ARG_ONLY)
    set(kept)
    foreach(stem ${ARG_ONLY})
      list(APPEND kept ${CMAKE_SOURCE_DIR}/${dir}/${stem}.cpp)
    endforeach()
    set(srcs ${kept})
  endif()
  foreach(stem ${ARG_SKIP})
    list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/${dir}/${stem}.cpp)
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} Threads::Threads)
  endif()
  set_property(GLOBAL APPEND PROPERTY ENGINE_LIBRARIES ${name})
endfunction()

# engine_tests(DIR [THREADS] LIBS lib...): one test executable per .cpp file in tests/DIR; each of
# its tests is a test of its own for CTest, or, with ENGINE_WHOLE_TEST_PROGRAMS, the executable runs
# all of its tests in one process (one start-up instead of one a test: what CI runs).
# THREADS marks tests of code that shares data between threads: they carry the label "threads"
# and the target threaded_tests builds them, for the ThreadSanitizer run. Shared test helpers
# live in tests/support/ as headers.
function(engine_tests dir)
  cmake_parse_arguments(ARG "THREADS" "" "LIBS" ${ARGN})
  set(labels "")
  if(ARG_THREADS)
    set(labels threads)
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  foreach(src ${srcs})
    get_filename_component(stem ${src} NAME_WE)
    string(REPLACE "/" "_" prefix ${dir})
    set(exe test_${prefix}_${stem})
    add_executable(${exe} ${src})
    set_target_properties(${exe} PROPERTIES UNITY_BUILD OFF)
    target_include_directories(${exe} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(${exe} PRIVATE
      ENGINE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      ENGINE_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures"
      ENGINE_GOLDEN_DIR="${CMAKE_SOURCE_DIR}/tests/golden"
      ENGINE_BINARY_DIR="${CMAKE_BINARY_DIR}")
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    # Tests of the desktop backends share the one X server of the run: its pointer, focus and
    # window list are one at a time.
    # An empty value would drop out of the list and the next name would become the value of
    # the one before: only properties that have a value are named.
    set(props ENVIRONMENT "ENGINE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    if(labels)
      list(APPEND props LABELS ${labels})
    endif()
    if(stem MATCHES "_sdl_|_desktop_")
      list(APPEND props RESOURCE_LOCK xserver)
    endif()
    if(ENGINE_WHOLE_TEST_PROGRAMS)
      add_test(NAME ${exe} COMMAND ${exe})
      set_tests_properties(${exe} PROPERTIES ${props} TIMEOUT 1800)
    else()
      gtest_discover_tests(${exe} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
    endif()
    if(ARG_THREADS)
      set_property(GLOBAL APPEND PROPERTY ENGINE_THREADED_TESTS ${exe})
    endif()
  endforeach()
endfunction()

# engine_embed_text(FILE SYMBOL OUT): turns a text file (a built-in Lua script, say) into a C++
# source defining `extern const unsigned char SYMBOL[]` and `extern const unsigned long SYMBOLSize`,
# regenerated whenever the file changes.
function(engine_embed_text file symbol out)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
    DEPENDS ${file} ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
    COMMENT "Embedding ${file}")
  # A large table of bytes gains nothing from sharing a unit with other sources.
  set_source_files_properties(${out} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()
