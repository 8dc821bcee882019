# Helpers shared by every folder of the project.

set(PEXU_WARNINGS -Wall -Wextra -Wpedantic -Werror -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports overlapping copies inside std::string at -O2 and above that cannot happen.
  list(APPEND PEXU_WARNINGS -Wno-restrict)
endif()

# pexu_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A static library of our own code: warnings as errors, the repository root on the include path.
function(pexu_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${PEXU_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()

# pexu_test(<name> LABEL <folder> SOURCES ... LIBS ...)
# A GoogleTest binary registered with CTest under the folder's label.
function(pexu_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${PEXU_WARNINGS})
  target_compile_definitions(${name} PRIVATE PEXU_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             PEXU_SHARED_DATA_DIR="${PROJECT_SOURCE_DIR}/../shared/data")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL}"
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen;GTEST_OUTPUT=xml:${CMAKE_BINARY_DIR}/test-results/${name}.xml")
endfunction()

# pexu_tool(<name> SOURCES ... LIBS ...): a small command-line tool for black-box tests.
function(pexu_tool name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${PEXU_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# pexu_x11_test(<name> LABEL <folder> [TIMEOUT <seconds>] COMMAND <target> [<arg>...])
# A test binary run on a virtual X display of its own (tests/tools/on_x11.sh), skipped when Xvfb is missing; the
# window libraries' known leaks are suppressed, so ctest -L runs it without test.sh's settings too.
function(pexu_x11_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "COMMAND" ${ARGN})
  list(POP_FRONT ARG_COMMAND target)
  add_test(NAME ${name} COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/on_x11.sh 1024x768x24
                                $<TARGET_FILE:${target}> ${ARG_COMMAND})
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL}" SKIP_RETURN_CODE 77 ENVIRONMENT
                       "GTEST_OUTPUT=xml:${CMAKE_BINARY_DIR}/test-results/${name}.xml;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  if(ARG_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  endif()
endfunction()

# pexu_fuzz(<name> SOURCES ... LIBS ...)
# With PEXU_FUZZ and clang: a libFuzzer target. Otherwise: the same entry point linked to a driver that runs every
# file of tests/data/fuzz/<name>/ once, registered as a test, so the targets keep building and their corpora pass.
# Every target's name is listed in <build>/fuzz-targets.txt (written by fuzz/CMakeLists.txt), which scripts/fuzz.sh
# runs.
function(pexu_fuzz name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set_property(GLOBAL APPEND PROPERTY PEXU_FUZZ_TARGETS ${name})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${PEXU_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(PEXU_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    if(PEXU_TESTS)
      add_test(NAME ${name} COMMAND ${name} ${PROJECT_SOURCE_DIR}/tests/data/fuzz/${name})
      set_tests_properties(${name} PROPERTIES LABELS fuzz)
    endif()
  endif()
endfunction()

# pexu_bench(<name> SOURCES ... LIBS ...)
function(pexu_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_definitions(${name} PRIVATE PEXU_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             PEXU_SHARED_DATA_DIR="${PROJECT_SOURCE_DIR}/../shared/data")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
