# corvane_add_test(NAME <name> SOURCES <files...> [LIBS <libs...>] LABELS <labels...>
#                  [ARGS <args...>] [RESOURCE_LOCK <locks...>] [TIMEOUT <seconds>])
#
# Builds one GoogleTest program and registers it as one CTest entry. In the Windows build CTest
# runs it through wine64 (the cross-compiling emulator) inside the build's own Wine prefix; the
# display and the persistent wineserver come from scripts/with-wine.
function(corvane_add_test)
  cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ARGS;RESOURCE_LOCK" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} gmock gtest_main)
  set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} ${ARG_ARGS})
  set(timeout 300)
  if(ARG_TIMEOUT)
    set(timeout ${ARG_TIMEOUT})
  endif()
  # Native runs of portable tests carry the "native" label on top of their own.
  set(labels ${ARG_LABELS})
  if(CORVANE_NATIVE)
    list(APPEND labels native)
  endif()
  set_tests_properties(${ARG_NAME} PROPERTIES LABELS "${labels}" TIMEOUT ${timeout})
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${ARG_NAME} PROPERTIES RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
  endif()
  if(NOT CORVANE_NATIVE)
    set_tests_properties(${ARG_NAME} PROPERTIES ENVIRONMENT
      "WINEPREFIX=${CORVANE_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
  endif()
endfunction()

# corvane_add_fuzzer(NAME <name> SOURCES <files...> [LIBS <libs...>] [SECONDS <n>])
#
# A libFuzzer target (native clang build only) run for a short smoke time in the test run.
function(corvane_add_fuzzer)
  cmake_parse_arguments(ARG "" "NAME;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT CORVANE_NATIVE OR NOT CORVANE_FUZZING)
    return()
  endif()
  set(seconds 20)
  if(ARG_SECONDS)
    set(seconds ${ARG_SECONDS})
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS})
  target_link_options(${ARG_NAME} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} -max_total_time=${seconds} -rss_limit_mb=2048)
  set_tests_properties(${ARG_NAME} PROPERTIES LABELS "fuzz;native" TIMEOUT 300)
endfunction()

# Where the Windows build keeps its Wine prefix (created by scripts/with-wine).
set(CORVANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")

# Windows form of a path on the host, as the prefix's Z: drive shows it. Forward slashes are fine
# for every Windows file API and spare the escaping of backslashes in compile definitions.
function(corvane_wine_path out path)
  set(${out} "Z:${path}" PARENT_SCOPE)
endfunction()
