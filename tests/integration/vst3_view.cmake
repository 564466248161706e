# The VST 3 editor view's own tests (label vst3_view). Included by the top-level
# CMakeLists.txt in both trees, after the layers (and on Linux their sanitizer variants,
# tolvane_core_asan and tests/x11_backend/x11_backend.cmake):
# - vst3_view_tests (AddressSanitizer, UndefinedBehaviorSanitizer): the view over the
#   headless recorder: sizes at each content scale, input mapped to logical pixels, the
#   hook after each event, references, the host's run loop;
# - vst3_view_x11_tests: the view on a real X server, served from a run loop of the test's
#   own: its window at scales 1 and 2, the picture against the VST 2.4 editor's, input,
#   and what repeated opening leaves on the server. Run on a virtual server of its own
#   (tests/x11/run-under-xvfb.sh; reported as skipped where Xvfb is not installed);
# - view_check.exe (Windows tree), run by the native tree under wine as vst3_view_wine:
#   the same on Win32 + GDI+.

if(WIN32)
  add_executable(view_check ${CMAKE_SOURCE_DIR}/tests/wine/view_check.cpp
                            ${CMAKE_SOURCE_DIR}/vst3/plug_view.cpp)
  target_include_directories(view_check PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(view_check PRIVATE tolvane_dsp tolvane_editor tolvane_host
                        tolvane_platform_win32 gdiplus gdi32 user32 kernel32)
  target_link_options(view_check PRIVATE -static -static-libgcc -static-libstdc++)
  return()
endif()

add_executable(vst3_view_tests ${CMAKE_SOURCE_DIR}/tests/unit/vst3_plug_view_test.cpp
                               ${CMAKE_SOURCE_DIR}/vst3/plug_view.cpp)
target_include_directories(vst3_view_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vst3_view_tests PRIVATE tolvane_core_asan GTest::gtest GTest::gtest_main)
gtest_discover_tests(vst3_view_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS vst3_view)

find_package(X11 COMPONENTS XRes)
if(X11_XRes_FOUND)
  add_executable(vst3_view_x11_tests ${CMAKE_SOURCE_DIR}/tests/x11_backend/vst3_plug_view_x11_test.cpp
                 ${CMAKE_SOURCE_DIR}/vst3/plug_view.cpp
                 ${CMAKE_SOURCE_DIR}/tests/x11/x11_picture.cpp
                 ${CMAKE_SOURCE_DIR}/tests/x11/x11_resources.cpp)
  target_include_directories(vst3_view_x11_tests PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(vst3_view_x11_tests PRIVATE tolvane_platform_x11_asan tolvane_host_asan
                        tolvane_editor_asan tolvane_dsp_asan X11::X11 X11::XRes GTest::gtest
                        GTest::gtest_main)
  add_test(NAME vst3_view_x11_on_xvfb
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/x11/run-under-xvfb.sh
                   $<TARGET_FILE:vst3_view_x11_tests>)
  set_tests_properties(vst3_view_x11_on_xvfb PROPERTIES
    LABELS "vst3_view;x11" SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/x11_backend/lsan.supp")

  # The same tests under ThreadSanitizer, for the view removed and released on a thread
  # other than the one its run loop serves the window on.
  add_executable(vst3_view_x11_race_tests
                 ${CMAKE_SOURCE_DIR}/tests/x11_backend/vst3_plug_view_x11_test.cpp
                 ${CMAKE_SOURCE_DIR}/vst3/plug_view.cpp
                 ${CMAKE_SOURCE_DIR}/tests/x11/x11_picture.cpp
                 ${CMAKE_SOURCE_DIR}/tests/x11/x11_resources.cpp)
  target_include_directories(vst3_view_x11_race_tests PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(vst3_view_x11_race_tests PRIVATE tolvane_platform_x11_tsan
                        tolvane_host_tsan tolvane_editor_tsan tolvane_dsp_tsan X11::X11
                        X11::XRes GTest::gtest GTest::gtest_main)
  add_test(NAME vst3_view_x11_races_on_xvfb
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/x11/run-under-xvfb.sh
                   $<TARGET_FILE:vst3_view_x11_race_tests> --gtest_filter=*AnotherThread*)
  set_tests_properties(vst3_view_x11_races_on_xvfb PROPERTIES
    LABELS "vst3_view;x11" SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1")
endif()

include(${CMAKE_SOURCE_DIR}/tests/integration/wine.cmake)
tolvane_add_wine_test(vst3_view_wine COMMAND view_check.exe)
if(TOLVANE_WINE_ENABLED)
  set_property(TEST vst3_view_wine APPEND PROPERTY LABELS vst3_view)
endif()
