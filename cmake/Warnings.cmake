# Our own code builds with warnings as errors; third-party sources are compiled quietly.
function(dav_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers
    # GCC 12 reports false overlaps in std::string concatenation at -O3 (its bug 105651).
    -Wno-restrict)
endfunction()

# A library of one folder with our warnings.
function(dav_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  dav_warnings(${name})
endfunction()

# A test executable of one folder of tests, registered with CTest.
function(dav_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  if(NOT ARG_SOURCES)
    return()  # a test folder with no tests yet
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} dav_testsupport GTest::gtest GTest::gtest_main GTest::gmock)
  dav_warnings(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "DAV_BIN_DIR=${CMAKE_BINARY_DIR}/bin;DAV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
