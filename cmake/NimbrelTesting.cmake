# GoogleTest from Debian's source package, built with the cross toolchain, and the
# CTest fixture that runs every Windows test program inside one Wine session.
set(NIMBREL_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${NIMBREL_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

set(NIMBREL_WINE_SESSION ${CMAKE_BINARY_DIR}/wine)
set(NIMBREL_TOOLS ${PROJECT_SOURCE_DIR}/tools)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NIMBREL_TOOLS}/wine ${NIMBREL_WINE_SESSION})

add_test(NAME wine_session_start COMMAND ${NIMBREL_TOOLS}/wine-session start ${NIMBREL_WINE_SESSION})
add_test(NAME wine_session_stop COMMAND ${NIMBREL_TOOLS}/wine-session stop ${NIMBREL_WINE_SESSION})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# nimbrel_test(NAME SOURCES... [LIBS ...]): one GoogleTest program, each of its
# tests a CTest test of its own, so that every test runs in a fresh process.
# The CTest names are left in NAME_TESTS.
function(nimbrel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE nimbrel_flags gtest_main ${T_LIBS})
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}")
  gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120)
  set(${name}_TESTS ${tests} PARENT_SCOPE)
endfunction()
