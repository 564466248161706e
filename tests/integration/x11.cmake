# The editor of Tolvane-Q.so on an X display, as a Linux host shows it (label x11). The
# test hosts of tests/x11 load the plug-in through its entry point, open its editor in a
# 920x580 host window, idle it from their UI thread while an audio thread processes, and:
# - x11_editor_picture: capture the editor after a fixed stretch of music, check its
#   colours at the pixels the wine picture test checks, open and close it a hundred times
#   watching the X server's clients and resources and the process's memory; the picture
#   is left in the build dir as editor-linux.png;
# - x11_editor_input: drive it with real pointer and key events (XTEST) and check the
#   results through the sound, getParameter and the parameter texts, as the wine input
#   test does for the DLL.
# Each runs on a virtual X server of its own (tests/x11/run-under-xvfb.sh); without Xvfb,
# or without the X11 and Cairo development files to build the hosts, the tests are
# reported as skipped, with the reason, never as passed.
#
# Script mode (the picture's size check, skipped with the picture when Xvfb is missing):
#     cmake -DTOLVANE_X11_PNG=<png> -DTOLVANE_IDENTIFY=<identify> -P x11.cmake
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED TOLVANE_X11_PNG)
  find_program(xvfb Xvfb)
  if(NOT xvfb)
    message("SKIPPED: Xvfb is not installed, so there is no picture to check")
    return()
  endif()
  execute_process(COMMAND ${TOLVANE_IDENTIFY} -format "%wx%h" ${TOLVANE_X11_PNG}
                  OUTPUT_VARIABLE size RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT size STREQUAL "920x580")
    message(FATAL_ERROR "${TOLVANE_X11_PNG}: size '${size}' (status ${rc}), want 920x580")
  endif()
  message(STATUS "${TOLVANE_X11_PNG} is 920x580")
  return()
endif()

if(NOT TARGET TolvaneQ)
  return()
endif()

find_package(X11)
find_path(TOLVANE_CAIRO_INCLUDE_DIR cairo.h PATH_SUFFIXES cairo)
find_library(TOLVANE_CAIRO_LIBRARY cairo)

set(tolvane_x11_missing "")
foreach(part X11 X11_Xtst X11_XRes X11_Xdamage)
  if(NOT ${part}_FOUND)
    list(APPEND tolvane_x11_missing ${part})
  endif()
endforeach()
if(NOT TOLVANE_CAIRO_INCLUDE_DIR OR NOT TOLVANE_CAIRO_LIBRARY)
  list(APPEND tolvane_x11_missing cairo)
endif()

set(TOLVANE_X11_TESTS x11_editor_picture x11_editor_input)

if(tolvane_x11_missing)
  string(REPLACE ";" ", " tolvane_x11_missing "${tolvane_x11_missing}")
  set(reason "X11 test hosts not built, missing ${tolvane_x11_missing} (Debian: libx11-dev "
             "libxtst-dev libxres-dev libxdamage-dev libcairo2-dev)")
  message(STATUS "${reason}")
  foreach(name ${TOLVANE_X11_TESTS})
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "SKIPPED: ${reason}")
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED:" LABELS x11)
  endforeach()
  return()
endif()

set(TOLVANE_X11_DIR ${CMAKE_SOURCE_DIR}/tests/x11)
set(TOLVANE_X11_COMMON
  ${TOLVANE_X11_DIR}/audio_feeds.cpp ${TOLVANE_X11_DIR}/editor_pump.cpp
  ${TOLVANE_X11_DIR}/x11_errors.cpp ${TOLVANE_X11_DIR}/x11_picture.cpp
  ${TOLVANE_X11_DIR}/x11_plugin.cpp ${TOLVANE_X11_DIR}/x11_session.cpp
  ${TOLVANE_X11_DIR}/server_error_log.cpp
  ${CMAKE_SOURCE_DIR}/tools/plugin_loader.cpp)

function(tolvane_x11_host name)
  add_executable(${name} ${ARGN} ${TOLVANE_X11_COMMON})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${TOLVANE_CAIRO_INCLUDE_DIR})
  target_link_libraries(${name} PRIVATE X11::X11 X11::Xtst X11::XRes X11::Xdamage
                        ${TOLVANE_CAIRO_LIBRARY} ${CMAKE_DL_LIBS} Threads::Threads)
  add_dependencies(${name} TolvaneQ)
endfunction()

find_package(Threads REQUIRED)
tolvane_x11_host(x11_editor_snapshot
  ${TOLVANE_X11_DIR}/editor_snapshot_x11.cpp ${TOLVANE_X11_DIR}/open_close_cycles.cpp
  ${TOLVANE_X11_DIR}/picture_checks.cpp ${TOLVANE_X11_DIR}/snapshot_context.cpp
  ${TOLVANE_X11_DIR}/snapshot_lifecycle.cpp ${TOLVANE_X11_DIR}/x11_resources.cpp)
tolvane_x11_host(x11_input_check
  ${TOLVANE_X11_DIR}/input_check_x11.cpp ${TOLVANE_X11_DIR}/input_gestures_bands.cpp
  ${TOLVANE_X11_DIR}/input_gestures_controls.cpp ${TOLVANE_X11_DIR}/input_waits.cpp
  ${TOLVANE_X11_DIR}/xtest_input.cpp)

set(TOLVANE_X11_RUN bash ${TOLVANE_X11_DIR}/run-under-xvfb.sh)
set(TOLVANE_LINUX_EDITOR_PNG ${CMAKE_BINARY_DIR}/editor-linux.png)

add_test(NAME x11_editor_picture
         COMMAND ${TOLVANE_X11_RUN} $<TARGET_FILE:x11_editor_snapshot> $<TARGET_FILE:TolvaneQ>
                 ${TOLVANE_LINUX_EDITOR_PNG} --check)
set_tests_properties(x11_editor_picture PROPERTIES
                     FIXTURES_SETUP tolvane_linux_editor_png LABELS x11 TIMEOUT 600
                     SKIP_RETURN_CODE 77)

add_test(NAME x11_editor_input
         COMMAND ${TOLVANE_X11_RUN} $<TARGET_FILE:x11_input_check> $<TARGET_FILE:TolvaneQ>)
set_tests_properties(x11_editor_input PROPERTIES LABELS x11 TIMEOUT 600 SKIP_RETURN_CODE 77)

# An independent reader must agree that the file is a 920x580 image.
find_program(TOLVANE_IDENTIFY_PROGRAM identify)
if(TOLVANE_IDENTIFY_PROGRAM)
  add_test(NAME x11_editor_picture_size
           COMMAND ${CMAKE_COMMAND} -DTOLVANE_X11_PNG=${TOLVANE_LINUX_EDITOR_PNG}
                   -DTOLVANE_IDENTIFY=${TOLVANE_IDENTIFY_PROGRAM} -P ${CMAKE_CURRENT_LIST_FILE})
  set_tests_properties(x11_editor_picture_size PROPERTIES
                       FIXTURES_REQUIRED tolvane_linux_editor_png
                       SKIP_REGULAR_EXPRESSION "SKIPPED:" LABELS x11)
endif()
