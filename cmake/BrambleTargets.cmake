# Shared helpers for Bramble's own targets: warnings, sanitizers, tests, fuzzers, benchmarks.
include_guard(GLOBAL)

set(BRAMBLE_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

if(BRAMBLE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(BRAMBLE_FUZZ)
  # The fuzz tree builds only the fuzz targets and what they link.
  add_custom_target(bramble_fuzzers)
  # Every library is instrumented for coverage; only the fuzz executables get the driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings as errors on our own code only (vendor headers are included as SYSTEM).
function(bramble_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 at -O3 reports a false -Wrestrict inside std::string (GCC bug 105329).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-error=restrict)
  endif()
endfunction()

# bramble_library(<name> [STATIC|INTERFACE] SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# A library whose headers are included as "folder/file.h" from the project root.
function(bramble_library name)
  cmake_parse_arguments(ARG "INTERFACE" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_INTERFACE)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${BRAMBLE_ROOT})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${BRAMBLE_ROOT})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
    bramble_warnings(${name})
  endif()
endfunction()

# bramble_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS ...])
# One GoogleTest executable; every test case in it becomes a CTest test.
function(bramble_test name)
  if(NOT BRAMBLE_TESTS OR BRAMBLE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${BRAMBLE_ROOT})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  bramble_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()

# bramble_fuzz(<name> SOURCES ... [LIBS ...]) — built only in the fuzz tree (clang).
# scripts/test runs each one for a while against tests/fuzz/corpus/<name>.
function(bramble_fuzz name)
  if(NOT BRAMBLE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${BRAMBLE_ROOT})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  bramble_warnings(${name})
  add_dependencies(bramble_fuzzers ${name})
endfunction()

# bramble_bench(<name> SOURCES ... [LIBS ...]) — a Google Benchmark executable in bin/bench.
function(bramble_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${BRAMBLE_ROOT})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  bramble_warnings(${name})
endfunction()

# Adds every immediate sub-folder of the current folder that has a CMakeLists.txt.
function(bramble_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
