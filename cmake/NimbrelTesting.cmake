# GoogleTest from Debian's source package, built with the cross toolchain, and the
# CTest fixtures that run the Windows test programs inside Wine sessions.
set(NIMBREL_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${NIMBREL_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

set(NIMBREL_WINE_SESSION ${CMAKE_BINARY_DIR}/wine)
set(NIMBREL_TOOLS ${PROJECT_SOURCE_DIR}/tools)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NIMBREL_TOOLS}/wine ${NIMBREL_WINE_SESSION})

# nimbrel_session(NAME [OPTIONS...]): the fixture NAME, a Wine session in the build
# tree's folder NAME, started with tools/wine-session's OPTIONS.
function(nimbrel_session name)
  add_test(NAME ${name}_start COMMAND ${NIMBREL_TOOLS}/wine-session start ${CMAKE_BINARY_DIR}/${name} ${ARGN})
  add_test(NAME ${name}_stop COMMAND ${NIMBREL_TOOLS}/wine-session stop ${CMAKE_BINARY_DIR}/${name})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 300)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()
nimbrel_session(wine)

# nimbrel_test(NAME SOURCES... LIBS...): a GoogleTest program whose every test is
# a CTest test of its own, so that each runs in a fresh process.
function(nimbrel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE nimbrel_flags gtest_main ${T_LIBS})
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}")
  gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 30)
endfunction()
