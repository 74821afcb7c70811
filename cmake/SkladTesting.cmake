# Helpers that register GoogleTest binaries with CTest, each test labelled with its subsystem.
find_package(GTest REQUIRED)
include(GoogleTest)

# sklad_add_test(NAME <target> LABEL <subsystem> [TIMEOUT <seconds>] SOURCES <files...> LIBS <libs...>)
# Every test case of the binary becomes one ctest test carrying the label; with TIMEOUT, a test
# case that runs longer is stopped and fails (a backstop for faults that would never end).
function(sklad_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  set(properties LABELS ${T_LABEL})
  if(T_TIMEOUT)
    list(APPEND properties TIMEOUT ${T_TIMEOUT})
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  # Test bodies are heavy with assertion macros: the framework's headers are compiled once per
  # binary, and in optimized builds the test code itself is compiled at -O1, which halves its
  # compile time while the code under test keeps the build's own optimization.
  target_precompile_headers(${T_NAME} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
  target_compile_options(${T_NAME} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O1>)
  gtest_discover_tests(${T_NAME}
    PROPERTIES ${properties}
    DISCOVERY_TIMEOUT 120)
endfunction()

# sklad_add_long_test(NAME <test> TARGET <target> LABEL <subsystem> FILTER <gtest filter>)
# The long version of randomized, model and fuzz tests: the same cases run with SKLAD_LONG_TESTS=1,
# which raises their iteration counts (see tests/support/Iterations.h). Run by hand: `ctest -L long`.
function(sklad_add_long_test)
  cmake_parse_arguments(T "" "NAME;TARGET;LABEL;FILTER" "" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_TARGET} --gtest_filter=${T_FILTER})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL};long" ENVIRONMENT "SKLAD_LONG_TESTS=1")
endfunction()
