# Tolvane-Q in Ardour 7 (Debian's package), driven headless through ardour7-lua with the
# Dummy backend (label ardour). tests/ardour/ardour_test.sh runs each step; see there and
# in tests/ardour/session.lua for what happens inside Ardour.
#   ardour_setup              a scratch Ardour home and a session with ten seconds of pink
#                             noise on a stereo track
#   ardour_vst2_reopen        VST 2.4: scan, insert, set parameters, render, save, reopen
#                             (parameters read back), render: renders within 0.05 dB in
#                             every third-octave band 25 Hz .. 16 kHz
#   ardour_vst3_reopen        the same with the VST 3 bundle
#   ardour_vst3_matches_vst2  VST 3 renders within 0.05 dB of the VST 2.4 renders
#   ardour_vst3_edited_bands  a saved VST 3 session whose state has band 3 at 2 kHz, +9 dB:
#                             reopened twice, the edit kept, renders within 0.05 dB of each
#                             other and 3 dB or more away from the default bands at 2 kHz
#   third_octave_self_test    the band comparison's verdicts on signals it makes itself
# Without Ardour installed the tests report themselves skipped. The VST 3 tests exist only
# where the VST 3 bundle is built.
if(NOT TARGET TolvaneQ)
  return()
endif()

# Keeps Ardour off its AVX-512 mixing routines (see the source).
add_library(tolvane_ardour_fpu_shim MODULE tests/ardour/fpu_shim.cpp)
target_link_libraries(tolvane_ardour_fpu_shim PRIVATE ${CMAKE_DL_LIBS})

add_executable(third_octave tests/ardour/third_octave.cpp)
target_link_libraries(third_octave PRIVATE ${SNDFILE_LIBRARY})
# The comparisons the Ardour tests rest on must be able to fail; this needs no Ardour.
add_test(NAME third_octave_self_test COMMAND third_octave self-test)
set_tests_properties(third_octave_self_test PROPERTIES LABELS ardour)

set(TOLVANE_ARDOUR_WORK ${CMAKE_BINARY_DIR}/ardour-test)
set(TOLVANE_ARDOUR_DRIVER
    bash ${CMAKE_SOURCE_DIR}/tests/ardour/ardour_test.sh --work ${TOLVANE_ARDOUR_WORK}
    --shim $<TARGET_FILE:tolvane_ardour_fpu_shim> --third-octave $<TARGET_FILE:third_octave>
    --vst2 $<TARGET_FILE:TolvaneQ>)
if(TARGET TolvaneQ_vst3)
  add_executable(ardour_state_tool tests/ardour/state_tool.cpp vst3/state_record.cpp)
  target_include_directories(ardour_state_tool PRIVATE ${CMAKE_SOURCE_DIR})
  list(APPEND TOLVANE_ARDOUR_DRIVER --state-tool $<TARGET_FILE:ardour_state_tool>
       --vst3 ${TOLVANE_VST3_BUNDLE})
endif()

function(tolvane_ardour_test name step)
  cmake_parse_arguments(T "" "" "REQUIRES;SETS_UP" ${ARGN})
  add_test(NAME ${name} COMMAND ${TOLVANE_ARDOUR_DRIVER} ${step})
  # One Ardour at a time: they share the scratch home, and each keeps a core busy.
  set_tests_properties(${name} PROPERTIES LABELS ardour TIMEOUT 900 SKIP_RETURN_CODE 77
                       RESOURCE_LOCK tolvane_ardour)
  if(T_REQUIRES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${T_REQUIRES}")
  endif()
  if(T_SETS_UP)
    set_tests_properties(${name} PROPERTIES FIXTURES_SETUP "${T_SETS_UP}")
  endif()
endfunction()

tolvane_ardour_test(ardour_setup setup SETS_UP ardour)
tolvane_ardour_test(ardour_vst2_reopen vst2 REQUIRES ardour SETS_UP ardour_vst2)
if(TARGET TolvaneQ_vst3)
  tolvane_ardour_test(ardour_vst3_reopen vst3 REQUIRES ardour SETS_UP ardour_vst3)
  tolvane_ardour_test(ardour_vst3_matches_vst2 vst3-vs-vst2
                      REQUIRES "ardour;ardour_vst2;ardour_vst3")
  tolvane_ardour_test(ardour_vst3_edited_bands vst3-bands REQUIRES "ardour;ardour_vst3")
endif()
