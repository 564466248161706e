# The VST 3 build checked through our own test host (tests/vst3), label vst3.
include_guard(GLOBAL)
include(${CMAKE_SOURCE_DIR}/tests/vst3/vst3_tests.cmake)

gtest_discover_tests(vst3_abi_test DISCOVERY_TIMEOUT 60 PROPERTIES LABELS vst3)

include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)
tolvane_add_wine_test(vst3_abi_test_wine COMMAND vst3_abi_test.exe)
if(TOLVANE_WINE_ENABLED)
  set_property(TEST vst3_abi_test_wine APPEND PROPERTY LABELS vst3)
endif()
