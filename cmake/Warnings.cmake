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

# A gtest executable linked to the given libraries, discovered by CTest.
function(vantrel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  vantrel_warnings(${name})
  # Test sources are compiled far more often than they run, and optimising gtest's templates
  # is most of their build time; the code under test keeps the build's optimisation.
  target_compile_options(${name} PRIVATE -O0)
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
