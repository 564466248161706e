# The VST 3 build checked through our own test host (tests/vst3), label vst3:
# - vst3_abi_test (GoogleTest) and vst3_abi_test_wine (the same file under wine): the
#   interface declarations against the documented binary interface;
# - vst3_host_check: Tolvane-Q.vst3 loaded by the test host (AddressSanitizer and
#   UndefinedBehaviorSanitizer in the host), identity, parameters, output against
#   Tolvane-Q.so, state, lifecycle;
# - vst3_host_editor: the editor view of the same bundle on a virtual X server of its own
#   (tests/x11/run-under-xvfb.sh with a screen for the scale 2 window; skipped where Xvfb
#   is missing), its pictures left in the build dir as vst3-editor-x1.png and
#   vst3-editor-x2.png by vst3_editor_png;
# - vst3_linked_check: the same checks as vst3_host_check with the plug-in's VST 3 layer
#   linked in under the sanitizers, so the state fuzz and every other call run through
#   sanitized plug-in code;
# - vst3_host_check_wine: the mingw-built host under wine with the Windows bundle and
#   Tolvane-Q.dll, editor included (HWND), pictures as vst3-editor-wine-x1/x2.png.
#
# Script mode (turns a check's PPM pictures into PNG and checks their sizes):
#     cmake -DTOLVANE_VST3_PPM=<a.ppm;b.ppm> -DTOLVANE_VST3_SIZES=<920x580;1840x1160>
#           -DTOLVANE_CONVERT=<convert> -DTOLVANE_IDENTIFY=<identify> -P vst3.cmake
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED TOLVANE_VST3_PPM)
  set(failures 0)
  foreach(ppm size IN ZIP_LISTS TOLVANE_VST3_PPM TOLVANE_VST3_SIZES)
    string(REGEX REPLACE "\\.ppm$" ".png" png "${ppm}")
    execute_process(COMMAND ${TOLVANE_CONVERT} ${ppm} ${png} RESULT_VARIABLE rc)
    execute_process(COMMAND ${TOLVANE_IDENTIFY} -format "%wx%h" ${png}
                    OUTPUT_VARIABLE got RESULT_VARIABLE rc2)
    if(rc EQUAL 0 AND rc2 EQUAL 0 AND got STREQUAL size)
      message(STATUS "${png}: ${got}")
    else()
      message(STATUS "${png}: convert ${rc}, identify ${rc2}, size '${got}', want ${size}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
  if(failures GREATER 0)
    message(FATAL_ERROR "${failures} picture(s) missing or of the wrong size")
  endif()
  return()
endif()

include_guard(GLOBAL)
include(${CMAKE_SOURCE_DIR}/tests/vst3/vst3_tests.cmake)

gtest_discover_tests(vst3_abi_test DISCOVERY_TIMEOUT 60 PROPERTIES LABELS vst3)
gtest_discover_tests(vst3_editor_pictures_test DISCOVERY_TIMEOUT 60 PROPERTIES LABELS vst3)

set(TOLVANE_VST3_SUPP "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/vst3/lsan.supp")
set(TOLVANE_VST3_AUDIO_GROUPS identity,parameters,output,state,lifecycle)

add_test(NAME vst3_host_check
         COMMAND vst3_host_check ${TOLVANE_VST3_BUNDLE} $<TARGET_FILE:TolvaneQ>
                 --only ${TOLVANE_VST3_AUDIO_GROUPS})
set_tests_properties(vst3_host_check PROPERTIES LABELS vst3 TIMEOUT 900
                     ENVIRONMENT "${TOLVANE_VST3_SUPP}")

add_test(NAME vst3_linked_check COMMAND vst3_linked_check $<TARGET_FILE:TolvaneQ>)
set_tests_properties(vst3_linked_check PROPERTIES LABELS vst3 TIMEOUT 900
                     ENVIRONMENT "${TOLVANE_VST3_SUPP}")

set(TOLVANE_VST3_PICTURES ${CMAKE_BINARY_DIR}/vst3-editor-x1.ppm ${CMAKE_BINARY_DIR}/vst3-editor-x2.ppm)
add_test(NAME vst3_host_editor
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/x11/run-under-xvfb.sh --screen 2048x1280
                 $<TARGET_FILE:vst3_host_check>
                 ${TOLVANE_VST3_BUNDLE} $<TARGET_FILE:TolvaneQ> --only editor
                 --out ${CMAKE_BINARY_DIR})
set_tests_properties(vst3_host_editor PROPERTIES LABELS "vst3;x11" TIMEOUT 900
                     SKIP_RETURN_CODE 77 ENVIRONMENT "${TOLVANE_VST3_SUPP}"
                     FIXTURES_SETUP tolvane_vst3_pictures)

# A test that turns the pictures a check left (scale 1, then scale 2) into PNG and checks
# their sizes, after the check that sets up `fixture`; none without ImageMagick.
find_program(TOLVANE_CONVERT_PROGRAM convert)
find_program(TOLVANE_IDENTIFY_PROGRAM identify)
function(tolvane_vst3_png_test name pictures fixture labels)
  if(NOT (TOLVANE_CONVERT_PROGRAM AND TOLVANE_IDENTIFY_PROGRAM))
    return()
  endif()
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} "-DTOLVANE_VST3_PPM=${pictures}"
                   "-DTOLVANE_VST3_SIZES=920x580;1840x1160"
                   -DTOLVANE_CONVERT=${TOLVANE_CONVERT_PROGRAM}
                   -DTOLVANE_IDENTIFY=${TOLVANE_IDENTIFY_PROGRAM}
                   -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" FIXTURES_REQUIRED ${fixture})
endfunction()
tolvane_vst3_png_test(vst3_editor_png "${TOLVANE_VST3_PICTURES}" tolvane_vst3_pictures "vst3;x11")

include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)
if(TOLVANE_WINE_ENABLED)
  tolvane_add_wine_test(vst3_abi_test_wine COMMAND vst3_abi_test.exe)
  set(TOLVANE_VST3_WINE_PICTURES ${CMAKE_BINARY_DIR}/vst3-editor-wine-x1.ppm
                                 ${CMAKE_BINARY_DIR}/vst3-editor-wine-x2.ppm)
  tolvane_add_wine_test(vst3_host_check_wine
    COMMAND vst3_host_check.exe Tolvane-Q.vst3 Tolvane-Q.dll --out ${CMAKE_BINARY_DIR}
            --prefix vst3-editor-wine
    FIXTURES_SETUP tolvane_vst3_wine_pictures)
  set_property(TEST vst3_abi_test_wine vst3_host_check_wine APPEND PROPERTY LABELS vst3)
  set_property(TEST vst3_host_check_wine PROPERTY TIMEOUT 1200)
  tolvane_vst3_png_test(vst3_editor_png_wine "${TOLVANE_VST3_WINE_PICTURES}"
                        tolvane_vst3_wine_pictures "vst3;wine")
endif()
