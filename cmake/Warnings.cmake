# Warnings are errors in our own code; outside headers come in as SYSTEM includes.
function(vantrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                         -Wno-sign-conversion -Werror)
endfunction()

# A library of our own: warnings on, include root at src/.
function(vantrel_library name)
  add_library(${name} ${ARGN})
  vantrel_warnings(${name})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# Test sources are compiled far more often than they run, and reading and optimising gtest's
# templates is most of their build time: they are compiled without optimisation (the code under
# test keeps the build's), with one precompiled gtest header shared by every test executable.
function(vantrel_test_flags target)
  vantrel_warnings(${target})
  # -fPIC as Qt asks of the programs using it, so that one precompiled header suits every test.
  target_compile_options(${target} PRIVATE -O0 -fPIC)
endfunction()

function(vantrel_test_pch)
  if(TARGET vantrel_test_pch)
    return()
  endif()
  set(source ${PROJECT_BINARY_DIR}/vantrel_test_pch.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// Builds the tests' precompiled header.\nint main() { return 0; }\n")
  endif()
  # An executable, so that its header is compiled exactly as the tests' sources are.
  add_executable(vantrel_test_pch ${source})
  vantrel_test_flags(vantrel_test_pch)
  target_link_libraries(vantrel_test_pch PRIVATE GTest::gtest GTest::gmock)
  target_precompile_headers(vantrel_test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>
                            <filesystem> <string> <vector> <memory> <optional>)
endfunction()

# A gtest executable linked to the given libraries, discovered by CTest.
function(vantrel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  vantrel_test_pch()
  add_executable(${name} ${T_SOURCES})
  vantrel_test_flags(${name})
  target_precompile_headers(${name} REUSE_FROM vantrel_test_pch)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE VANTREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# A Google Benchmark executable.
function(vantrel_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  vantrel_warnings(${name})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
