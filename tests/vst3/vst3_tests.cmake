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
  return()
endif()

add_executable(vst3_abi_test ${TOLVANE_VST3_TEST_DIR}/vst3_abi_test.cpp)
target_include_directories(vst3_abi_test PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(vst3_abi_test PRIVATE ${TOLVANE_ASAN})
target_link_options(vst3_abi_test PRIVATE ${TOLVANE_ASAN})
target_link_libraries(vst3_abi_test PRIVATE GTest::gtest GTest::gtest_main)
