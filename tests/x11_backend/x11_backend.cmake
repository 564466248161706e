# The X11 + Cairo backend's own tests (label x11_backend). Included by the top-level
# CMakeLists.txt after the layers' sanitizer variants and platform/x11/x11.cmake:
# - x11_backend_tests (AddressSanitizer, UndefinedBehaviorSanitizer): X event translation,
#   the canvas on image surfaces read back pixel by pixel, the editor picture, and the
#   window on a real display (skipped when DISPLAY is unset);
# - x11_backend_race_tests (ThreadSanitizer): X events through the translation into the
#   editor on one thread, painting on the Cairo canvas, while a host's audio thread
#   processes and another thread automates parameters; and the window tests again, for
#   a close from another thread while the UI thread pumps;
# - x11_backend_window_on_xvfb, x11_backend_window_races_on_xvfb: the window tests of both
#   on a virtual X server of their own (tests/x11/run-under-xvfb.sh; reported as skipped
#   where Xvfb is not installed).

tolvane_platform_x11_library(tolvane_platform_x11_asan tolvane_editor_asan ${TOLVANE_ASAN})
tolvane_platform_x11_library(tolvane_platform_x11_tsan tolvane_editor_tsan -fsanitize=thread)

set(TOLVANE_X11_BACKEND_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(x11_backend_tests
  ${TOLVANE_X11_BACKEND_DIR}/canvas_layer_cache_test.cpp
  ${TOLVANE_X11_BACKEND_DIR}/canvas_pixels.cpp
  ${TOLVANE_X11_BACKEND_DIR}/cairo_layer_test.cpp
  ${TOLVANE_X11_BACKEND_DIR}/cairo_shapes_test.cpp
  ${TOLVANE_X11_BACKEND_DIR}/cairo_text_layout_test.cpp
  ${TOLVANE_X11_BACKEND_DIR}/cairo_text_test.cpp
  ${TOLVANE_X11_BACKEND_DIR}/x11_editor_paint_test.cpp
  ${TOLVANE_X11_BACKEND_DIR}/x11_event_translation_test.cpp
  ${TOLVANE_X11_BACKEND_DIR}/x11_window_test.cpp)
target_include_directories(x11_backend_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(x11_backend_tests PRIVATE tolvane_platform_x11_asan tolvane_editor_asan
                      tolvane_dsp_asan GTest::gtest GTest::gtest_main)
# The window tests need a display: they run below on a virtual server of their own.
gtest_discover_tests(x11_backend_tests DISCOVERY_TIMEOUT 60
  TEST_FILTER -X11Host.*:X11Display.*
  PROPERTIES LABELS x11_backend
             ENVIRONMENT "LSAN_OPTIONS=suppressions=${TOLVANE_X11_BACKEND_DIR}/lsan.supp")

add_executable(x11_backend_race_tests ${TOLVANE_X11_BACKEND_DIR}/x11_editor_race_test.cpp
                                      ${TOLVANE_X11_BACKEND_DIR}/x11_window_test.cpp)
target_include_directories(x11_backend_race_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(x11_backend_race_tests PRIVATE tolvane_platform_x11_tsan
                      tolvane_editor_tsan tolvane_dsp_tsan tolvane_host_tsan GTest::gtest
                      GTest::gtest_main)
gtest_discover_tests(x11_backend_race_tests DISCOVERY_TIMEOUT 60
  TEST_FILTER -X11Host.*:X11Display.*
  PROPERTIES LABELS x11_backend ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1")

set(TOLVANE_XVFB_RUN ${CMAKE_SOURCE_DIR}/tests/x11/run-under-xvfb.sh)
if(EXISTS ${TOLVANE_XVFB_RUN})
  add_test(NAME x11_backend_window_on_xvfb
           COMMAND bash ${TOLVANE_XVFB_RUN} $<TARGET_FILE:x11_backend_tests>
                   --gtest_filter=X11Host.*:X11Display.*)
  add_test(NAME x11_backend_window_races_on_xvfb
           COMMAND bash ${TOLVANE_XVFB_RUN} $<TARGET_FILE:x11_backend_race_tests>
                   --gtest_filter=X11Host.*:X11Display.*)
  set_tests_properties(x11_backend_window_on_xvfb x11_backend_window_races_on_xvfb PROPERTIES
    LABELS "x11_backend;x11" SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${TOLVANE_X11_BACKEND_DIR}/lsan.supp;TSAN_OPTIONS=halt_on_error=1")
endif()
