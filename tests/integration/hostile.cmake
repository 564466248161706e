# The hostile host: a host that sends every opcode with odd arguments, abuses parameter
# indices and values, feeds NaN, infinities and denormals, announces absurd sample rates,
# toggles bypass, and opens, drives and closes instances on several threads, one closing
# while another processes. The cases live in tests/hostile/hostile_checks.h and run twice:
#
# - hostile_tests: natively with Tolvane-Q's code linked in under AddressSanitizer and
#   UndefinedBehaviorSanitizer, one ctest per GoogleTest ("HostileHost.*", "Rows/Hostile*");
# - dll_hostile_<case>: tests/wine/hostile_check.cpp against Tolvane-Q.dll under wine, one
#   ctest per case so that a crash in one does not hide the others.
#
# Both carry the label "hostile": `ctest -L hostile`.
add_executable(hostile_tests ${CMAKE_SOURCE_DIR}/tests/hostile/hostile_host_test.cpp)
target_link_libraries(hostile_tests PRIVATE tolvane_core_asan GTest::gtest GTest::gtest_main)
# NO_PRETTY_VALUES: the rows are named, so the ctest names need no parameter text.
gtest_discover_tests(hostile_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                     PROPERTIES LABELS hostile TIMEOUT 300)

include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)

if(TOLVANE_WINE_ENABLED)
  foreach(case opcodes parameters bursts rates bypass threads close_race)
    tolvane_add_wine_test(dll_hostile_${case} COMMAND hostile_check.exe Tolvane-Q.dll ${case})
    set_property(TEST dll_hostile_${case} APPEND PROPERTY LABELS hostile)
  endforeach()
endif()
