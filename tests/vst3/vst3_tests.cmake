# The VST 3 build's test host and its checks (label vst3). Included by the top-level
# CMakeLists.txt in the Windows build, and through tests/integration/vst3.cmake in the
# native one, which also registers the tests.
#
# - vst3_abi_test: vst3/vst3_abi.h against the documented binary interface. Natively a
#   GoogleTest program; in the Windows build the same file with a small stand-in for
#   GoogleTest, run under wine.
include_guard(GLOBAL)

set(TOLVANE_VST3_TEST_DIR ${CMAKE_SOURCE_DIR}/tests/vst3)

if(WIN32)
  add_executable(vst3_abi_test ${TOLVANE_VST3_TEST_DIR}/vst3_abi_test.cpp)
  target_compile_definitions(vst3_abi_test PRIVATE TOLVANE_MINI_GTEST)
  target_include_directories(vst3_abi_test PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(vst3_abi_test PRIVATE -static -static-libgcc -static-libstdc++)

  # The host under wine: the Windows bundle and Tolvane-Q.dll, the editor in an HWND.
  add_executable(vst3_host_check
    ${TOLVANE_VST3_TEST_DIR}/host_module.cpp ${TOLVANE_VST3_TEST_DIR}/host_objects.cpp
    ${TOLVANE_VST3_TEST_DIR}/host_plugin.cpp ${TOLVANE_VST3_TEST_DIR}/check_identity.cpp
    ${TOLVANE_VST3_TEST_DIR}/check_lifecycle.cpp ${TOLVANE_VST3_TEST_DIR}/check_output.cpp
    ${TOLVANE_VST3_TEST_DIR}/check_parameters.cpp ${TOLVANE_VST3_TEST_DIR}/check_state.cpp
    ${TOLVANE_VST3_TEST_DIR}/check_editor_win32.cpp ${TOLVANE_VST3_TEST_DIR}/editor_pictures.cpp
    ${TOLVANE_VST3_TEST_DIR}/vst3_host_check.cpp)
  target_include_directories(vst3_host_check PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(vst3_host_check PRIVATE -static -static-libgcc -static-libstdc++)
  target_link_libraries(vst3_host_check PRIVATE gdi32 user32 kernel32)
  add_dependencies(vst3_host_check TolvaneQ TolvaneQ_vst3)
  return()
endif()

add_executable(vst3_abi_test ${TOLVANE_VST3_TEST_DIR}/vst3_abi_test.cpp)
target_include_directories(vst3_abi_test PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(vst3_abi_test PRIVATE ${TOLVANE_ASAN})
target_link_options(vst3_abi_test PRIVATE ${TOLVANE_ASAN})
target_link_libraries(vst3_abi_test PRIVATE GTest::gtest GTest::gtest_main)

# - editor_pictures_test: the editor checks' picture judgements fail on enlarged pictures.
add_executable(vst3_editor_pictures_test ${TOLVANE_VST3_TEST_DIR}/editor_pictures_test.cpp
                                         ${TOLVANE_VST3_TEST_DIR}/editor_pictures.cpp)
target_include_directories(vst3_editor_pictures_test PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(vst3_editor_pictures_test PRIVATE ${TOLVANE_ASAN})
target_link_options(vst3_editor_pictures_test PRIVATE ${TOLVANE_ASAN})
target_link_libraries(vst3_editor_pictures_test PRIVATE GTest::gtest GTest::gtest_main)

# - vst3_host_check: our own VST 3 host loading the bundle (dlopen), checking it group by
#   group against the VST 2.4 build; the host itself under AddressSanitizer and
#   UndefinedBehaviorSanitizer.
# - vst3_linked_check: the same checks with the plug-in's VST 3 layer linked in under the
#   sanitizers (the editor excepted: the window system there is the headless recorder).
set(TOLVANE_VST3_HOST_SOURCES
  ${TOLVANE_VST3_TEST_DIR}/host_module.cpp ${TOLVANE_VST3_TEST_DIR}/host_objects.cpp
  ${TOLVANE_VST3_TEST_DIR}/host_plugin.cpp ${TOLVANE_VST3_TEST_DIR}/check_identity.cpp
  ${TOLVANE_VST3_TEST_DIR}/check_lifecycle.cpp ${TOLVANE_VST3_TEST_DIR}/check_output.cpp
  ${TOLVANE_VST3_TEST_DIR}/check_parameters.cpp ${TOLVANE_VST3_TEST_DIR}/check_state.cpp
  ${TOLVANE_VST3_TEST_DIR}/vst3_host_check.cpp)

find_package(X11 REQUIRED)
find_package(Threads REQUIRED)
# The editor's pictures are read back as the X11 editor tests read them (tests/x11).
add_executable(vst3_host_check ${TOLVANE_VST3_HOST_SOURCES}
  ${TOLVANE_VST3_TEST_DIR}/check_editor_x11.cpp ${TOLVANE_VST3_TEST_DIR}/editor_pictures.cpp
  ${CMAKE_SOURCE_DIR}/tests/x11/x11_picture.cpp)
target_include_directories(vst3_host_check PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(vst3_host_check PRIVATE ${TOLVANE_ASAN})
target_link_options(vst3_host_check PRIVATE ${TOLVANE_ASAN})
target_link_libraries(vst3_host_check PRIVATE X11::X11 X11::Xdamage X11::XRes X11::Xtst
                      PkgConfig::TOLVANE_X11_DEPS Threads::Threads
                      ${CMAKE_DL_LIBS})
# pixman (under the plug-in's Cairo) sets up its implementations in a constructor and never
# frees them. Loaded with the host, it stays for the life of the process, so unloading the
# plug-in does not turn that memory into a leak the leak checker cannot name.
find_library(TOLVANE_PIXMAN_LIBRARY pixman-1)
if(TOLVANE_PIXMAN_LIBRARY)
  target_link_libraries(vst3_host_check PRIVATE -Wl,--push-state,--no-as-needed
                        ${TOLVANE_PIXMAN_LIBRARY} -Wl,--pop-state)
endif()
add_dependencies(vst3_host_check TolvaneQ TolvaneQ_vst3)

add_executable(vst3_linked_check ${TOLVANE_VST3_HOST_SOURCES})
target_compile_definitions(vst3_linked_check PRIVATE TOLVANE_VST3_LINKED)
target_include_directories(vst3_linked_check PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vst3_linked_check PRIVATE tolvane_vst3_asan tolvane_core_asan
                      ${CMAKE_DL_LIBS})
add_dependencies(vst3_linked_check TolvaneQ)
