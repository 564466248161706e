# Windows-side checks: the mingw-built test hosts of tests/wine run under wine against the
# real Tolvane-Q.dll, plus checks on the DLL file itself.
#
# Enabled in the native build when -DTOLVANE_WINDOWS_BUILD_DIR=<mingw build dir> is given
# and wine and Xvfb are installed (scripts/test.sh does both).
#
# Adding a wine test from another tests/integration/*.cmake file:
#     include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)   # defines the helper (include-guarded)
#     tolvane_add_wine_test(editor_snapshot
#         COMMAND editor_snapshot.exe Tolvane-Q.dll ${CMAKE_BINARY_DIR}/editor.png)
# COMMAND is run by scripts/wine-env.sh in the Windows build dir's wine prefix; a program
# named without a directory is taken from the Windows build dir, and the test's working
# directory is that dir too (so "Tolvane-Q.dll" names the DLL under test). Optional
# FIXTURES_SETUP / FIXTURES_REQUIRED chain tests that consume another test's output.
#
# Every wine test requires the fixtures set up here: `wine_windows_build` brings the
# Windows build up to date (a no-op after scripts/test.sh), `wine_session_start` starts
# one Xvfb and one persistent wineserver shared by all wine tests, and `wine_session_stop`
# ends them after the last one. Because the fixtures are declared, `ctest -R <name>` alone
# also works.
#
# Script mode (used by the import checks below):
#     cmake -DTOLVANE_CHECK_DLL=<dll> -DTOLVANE_OBJDUMP=<objdump>
#           [-DTOLVANE_CHECK_EXPORTS=<sorted;names>] -P wine.cmake
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED TOLVANE_CHECK_DLL)
  # Each module must load on a bare Windows: it may import only system DLLs, and it must
  # export exactly the names its hosts look for (VST 2.4's two by default).
  if(NOT DEFINED TOLVANE_CHECK_EXPORTS)
    set(TOLVANE_CHECK_EXPORTS "VSTPluginMain;main")
  endif()
  execute_process(COMMAND ${TOLVANE_OBJDUMP} -p ${TOLVANE_CHECK_DLL}
                  OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${TOLVANE_CHECK_DLL}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  set(failures 0)
  set(count 0)
  foreach(line ${imports})
    string(REGEX REPLACE "DLL Name: ([^ \t\r]+).*" "\\1" name "${line}")
    string(TOLOWER "${name}" lower)
    math(EXPR count "${count} + 1")
    if(lower MATCHES "^(kernel32|user32|gdi32|gdiplus|msvcrt)\\.dll$"
       OR lower MATCHES "^api-ms-win-crt-[a-z0-9-]+\\.dll$")
      message(STATUS "import ok: ${name}")
    else()
      message(STATUS "import NOT a system DLL: ${name}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
  if(count EQUAL 0)
    message(STATUS "no import table found")
    math(EXPR failures "${failures} + 1")
  endif()
  # Export names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" each.
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
  set(exports "")
  if(start GREATER -1)
    string(SUBSTRING "${dump}" ${start} -1 tail)
    string(REGEX MATCH "Table\n((\t\\[ *[0-9]+\\] [^\n]+\n)+)" block "${tail}")
    # Straight to a ;-list: brackets left in list items would confuse CMake's list split.
    string(REGEX REPLACE "\t\\[ *[0-9]+\\] ([^\n]+)\n" "\\1;" exports "${CMAKE_MATCH_1}")
  endif()
  string(REGEX REPLACE ";$" "" exports "${exports}")
  list(SORT exports)
  if(exports STREQUAL TOLVANE_CHECK_EXPORTS)
    message(STATUS "exports ok: ${exports}")
  else()
    message(STATUS "exports wrong: '${exports}' (want ${TOLVANE_CHECK_EXPORTS})")
    math(EXPR failures "${failures} + 1")
  endif()
  if(failures GREATER 0)
    message(FATAL_ERROR "${failures} DLL check(s) failed")
  endif()
  return()
endif()

include_guard(GLOBAL)

set(TOLVANE_WINE_ENABLED OFF)
if(TOLVANE_WINDOWS_BUILD_DIR)
  get_filename_component(TOLVANE_WINDOWS_BUILD_DIR "${TOLVANE_WINDOWS_BUILD_DIR}" ABSOLUTE
                         BASE_DIR "${CMAKE_BINARY_DIR}")
  find_program(TOLVANE_WINE_PROGRAM wine)
  find_program(TOLVANE_XVFB_PROGRAM Xvfb)
  if(TOLVANE_WINE_PROGRAM AND TOLVANE_XVFB_PROGRAM)
    set(TOLVANE_WINE_ENABLED ON)
  else()
    message(STATUS "wine or Xvfb not found: Windows-side tests are not registered")
  endif()
endif()

set(TOLVANE_WINE_ENV bash ${CMAKE_SOURCE_DIR}/scripts/wine-env.sh ${TOLVANE_WINDOWS_BUILD_DIR})

function(tolvane_add_wine_test name)
  cmake_parse_arguments(ARG "" "" "COMMAND;FIXTURES_SETUP;FIXTURES_REQUIRED" ${ARGN})
  if(NOT TOLVANE_WINE_ENABLED)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${TOLVANE_WINE_ENV} run ${ARG_COMMAND}
           WORKING_DIRECTORY ${TOLVANE_WINDOWS_BUILD_DIR})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED "tolvane_windows_build;tolvane_wine;${ARG_FIXTURES_REQUIRED}"
    LABELS wine TIMEOUT 300)
  if(ARG_FIXTURES_SETUP)
    set_tests_properties(${name} PROPERTIES FIXTURES_SETUP "${ARG_FIXTURES_SETUP}")
  endif()
endfunction()

if(TOLVANE_WINDOWS_BUILD_DIR)
  add_test(NAME wine_windows_build
           COMMAND ${CMAKE_COMMAND} --build ${TOLVANE_WINDOWS_BUILD_DIR} -j 2)
  set_tests_properties(wine_windows_build PROPERTIES FIXTURES_SETUP tolvane_windows_build
                       LABELS wine TIMEOUT 1200)

  find_program(TOLVANE_MINGW_OBJDUMP x86_64-w64-mingw32-objdump)
  if(TOLVANE_MINGW_OBJDUMP)
    add_test(NAME dll_imports_and_exports
             COMMAND ${CMAKE_COMMAND} -DTOLVANE_CHECK_DLL=${TOLVANE_WINDOWS_BUILD_DIR}/Tolvane-Q.dll
                     -DTOLVANE_OBJDUMP=${TOLVANE_MINGW_OBJDUMP} -P ${CMAKE_CURRENT_LIST_FILE})
    set_tests_properties(dll_imports_and_exports PROPERTIES
                         FIXTURES_REQUIRED tolvane_windows_build LABELS wine)
    add_test(NAME vst3_dll_imports_and_exports
             COMMAND ${CMAKE_COMMAND}
                     -DTOLVANE_CHECK_DLL=${TOLVANE_WINDOWS_BUILD_DIR}/Tolvane-Q.vst3/Contents/x86_64-win/Tolvane-Q.vst3
                     "-DTOLVANE_CHECK_EXPORTS=ExitDll;GetPluginFactory;InitDll"
                     -DTOLVANE_OBJDUMP=${TOLVANE_MINGW_OBJDUMP} -P ${CMAKE_CURRENT_LIST_FILE})
    set_tests_properties(vst3_dll_imports_and_exports PROPERTIES
                         FIXTURES_REQUIRED tolvane_windows_build LABELS "wine;vst3")
  endif()
endif()

if(NOT TOLVANE_WINE_ENABLED)
  return()
endif()

add_test(NAME wine_session_start COMMAND ${TOLVANE_WINE_ENV} session-start)
add_test(NAME wine_session_stop COMMAND ${TOLVANE_WINE_ENV} session-stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP tolvane_wine
                     FIXTURES_REQUIRED tolvane_windows_build LABELS wine TIMEOUT 300)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP tolvane_wine LABELS wine)

# dll_check runs every row; dll_render only writes what Tolvane-Q.dll makes of a fixed
# stereo signal, so the cross-build match still runs when some unrelated row fails. The
# Linux build must make the same of it (same sources, same arithmetic), checked by a
# native helper that loads Tolvane-Q.so the way the command-line host does.
set(TOLVANE_WINE_RENDER ${CMAKE_BINARY_DIR}/dll_render.f32)
tolvane_add_wine_test(dll_check COMMAND dll_check.exe ${CMAKE_BINARY_DIR}/dll_check.f32)
tolvane_add_wine_test(dll_render COMMAND dll_check.exe --render-only ${TOLVANE_WINE_RENDER}
                      FIXTURES_SETUP tolvane_dll_render)

add_executable(cross_build_compare ${CMAKE_CURRENT_LIST_DIR}/cross_build_compare.cpp)
target_include_directories(cross_build_compare PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(cross_build_compare PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(cross_build_compare TolvaneQ)
add_test(NAME dll_output_matches_linux
         COMMAND cross_build_compare $<TARGET_FILE:TolvaneQ> ${TOLVANE_WINE_RENDER})
set_tests_properties(dll_output_matches_linux PROPERTIES
                     FIXTURES_REQUIRED tolvane_dll_render LABELS wine)
