# The reference engine (tests/reference) and the product engine compared sample by sample.
# Built optimised and without sanitizers: it checks the code as it ships, over minutes of
# audio, and the unit tests already run the same code under the sanitizers.
add_library(tolvane_reference STATIC
  ${CMAKE_SOURCE_DIR}/tests/reference/reference_analyser.cpp
  ${CMAKE_SOURCE_DIR}/tests/reference/reference_filter_design.cpp
  ${CMAKE_SOURCE_DIR}/tests/reference/reference_modulation.cpp
  ${CMAKE_SOURCE_DIR}/tests/reference/reference_process_block.cpp
  ${CMAKE_SOURCE_DIR}/tests/reference/reference_state.cpp)
target_include_directories(tolvane_reference PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(equivalence_tests
  ${CMAKE_SOURCE_DIR}/tests/equivalence/engine_equivalence_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/equivalence/equivalence_support.cpp)
target_link_libraries(equivalence_tests PRIVATE tolvane_reference tolvane_core GTest::gtest
                      GTest::gtest_main)
# Once per vector path (TOLVANE_VECTOR_PATH caps the engine's path as it loads): a path
# this processor lacks shows as skipped, never as passed.
foreach(path baseline avx2 avx512)
  gtest_discover_tests(equivalence_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                       TEST_PREFIX "${path}." PROPERTIES LABELS equivalence TIMEOUT 600
                       ENVIRONMENT TOLVANE_VECTOR_PATH=${path})
endforeach()

# The DLL under wine, against the same reference compiled into the test host, once per
# path; the host exits 77 where the processor lacks the path.
include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)
if(TOLVANE_WINE_ENABLED)
  foreach(path baseline avx2 avx512)
    tolvane_add_wine_test(dll_equivalence_${path} COMMAND dll_equivalence.exe Tolvane-Q.dll)
    set_property(TEST dll_equivalence_${path} APPEND PROPERTY LABELS equivalence)
    set_tests_properties(dll_equivalence_${path} PROPERTIES
                         ENVIRONMENT TOLVANE_VECTOR_PATH=${path} SKIP_RETURN_CODE 77)
  endforeach()
endif()
