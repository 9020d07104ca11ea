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

# nimbrel_test(NAME SOURCES... [LIBS ...] [UNMANAGED]): one GoogleTest program,
# each of its tests a CTest test of its own, so that every test runs in a fresh
# process. The CTest names are left in NAME_TESTS. UNMANAGED for a program that
# shows windows: Xvfb runs no window manager, and Wine waits two seconds for one
# whenever a managed window goes away.
function(nimbrel_test name)
  cmake_parse_arguments(T "UNMANAGED" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE nimbrel_flags gtest_main ${T_LIBS})
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}")
  gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120)
  if(T_UNMANAGED)
    nimbrel_unmanaged(${name}.exe ${tests})
  endif()
  set(${name}_TESTS ${tests} PARENT_SCOPE)
endfunction()

# nimbrel_unmanaged(FILE TESTS...): the windows of program FILE are unmanaged
# while these tests run.
function(nimbrel_unmanaged file)
  set_property(GLOBAL APPEND PROPERTY NIMBREL_UNMANAGED ${file})
  set_property(TEST ${ARGN} APPEND PROPERTY FIXTURES_REQUIRED unmanaged_windows)
endfunction()

# The fixture that makes the windows of every such program unmanaged; called
# once all of them are known.
function(nimbrel_unmanaged_fixture)
  get_property(programs GLOBAL PROPERTY NIMBREL_UNMANAGED)
  set(text "REGEDIT4\n\n")
  foreach(program ${programs})
    string(APPEND text "[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\${program}\\X11 Driver]\n\"Managed\"=\"N\"\n\n")
  endforeach()
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/unmanaged.reg "${text}")
  add_test(NAME windows_unmanaged COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg import "Z:${CMAKE_CURRENT_BINARY_DIR}/unmanaged.reg")
  set_tests_properties(windows_unmanaged PROPERTIES FIXTURES_SETUP unmanaged_windows FIXTURES_REQUIRED wine)
endfunction()
