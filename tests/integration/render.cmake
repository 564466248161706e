# End-to-end checks of the built Linux plug-in through the command-line host.
#
# Included by CMakeLists.txt to register the tests; the same file is also the script the
# tests run (cmake -P), so a command's exit code and output can be checked exactly and a
# crash never passes as an expected failure.

if(CMAKE_SCRIPT_MODE_FILE)
  if(MODE STREQUAL "exports")
    execute_process(COMMAND ${NM} -D --defined-only ${PLUGIN}
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE code)
    if(NOT code EQUAL 0)
      message(FATAL_ERROR "nm failed on ${PLUGIN}: ${code}")
    endif()
    foreach(name VSTPluginMain main)
      if(NOT symbols MATCHES "[0-9a-f]+ T ${name}\n")
        message(FATAL_ERROR "${PLUGIN} does not export ${name}:\n${symbols}")
      endif()
    endforeach()
    # Nothing else: a stray exported symbol could bind against another plug-in's copy.
    string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [^\n]+" exported "${symbols}")
    list(LENGTH exported exported_count)
    if(NOT exported_count EQUAL 2)
      message(FATAL_ERROR "${PLUGIN} exports more than its entry points:\n${symbols}")
    endif()
    string(REGEX MATCH "([0-9a-f]+) T VSTPluginMain\n" entry "${symbols}")
    set(entry_address "${CMAKE_MATCH_1}")
    string(REGEX MATCH "([0-9a-f]+) T main\n" alias "${symbols}")
    if(NOT entry_address STREQUAL CMAKE_MATCH_1)
      message(FATAL_ERROR "main and VSTPluginMain are different routines:\n${symbols}")
    endif()
    return()
  endif()

  # MODE run: HOST, ARGS (a ;-list), EXPECT_CODE, optional EXPECT_OUTPUT regexes (a ;-list
  # joined with |> to survive the command line).
  string(REPLACE "|>" ";" args "${ARGS}")
  execute_process(COMMAND ${HOST} ${args} OUTPUT_VARIABLE out ERROR_VARIABLE err
                  RESULT_VARIABLE code)
  if(NOT "${code}" STREQUAL "${EXPECT_CODE}")
    message(FATAL_ERROR "exit '${code}', expected ${EXPECT_CODE}\n${out}\n${err}")
  endif()
  string(REPLACE "|>" ";" expectations "${EXPECT_OUTPUT}")
  foreach(pattern IN LISTS expectations)
    if(NOT "${out}${err}" MATCHES "${pattern}")
      message(FATAL_ERROR "output does not match '${pattern}':\n${out}\n${err}")
    endif()
  endforeach()
  message("${out}${err}")
  return()
endif()

if(NOT TARGET tolvane-host OR NOT TARGET TolvaneQ)
  return()
endif()

set(TOLVANE_RENDER_DIR ${CMAKE_BINARY_DIR}/render-test)
file(MAKE_DIRECTORY ${TOLVANE_RENDER_DIR})
set(TOLVANE_RENDER_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

# tolvane_render_test(name CODE n ARGS a... EXPECT regex...)
function(tolvane_render_test name)
  cmake_parse_arguments(T "" "CODE" "ARGS;EXPECT;PROPERTIES" ${ARGN})
  string(REPLACE ";" "|>" args "${T_ARGS}")
  string(REPLACE ";" "|>" expect "${T_EXPECT}")
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DMODE=run -DHOST=$<TARGET_FILE:tolvane-host>
                   "-DARGS=${args}" -DEXPECT_CODE=${T_CODE} "-DEXPECT_OUTPUT=${expect}"
                   -P ${TOLVANE_RENDER_SCRIPT}
           WORKING_DIRECTORY ${TOLVANE_RENDER_DIR})
  if(T_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${T_PROPERTIES})
  endif()
endfunction()

find_program(TOLVANE_NM nm)
if(TOLVANE_NM)
  add_test(NAME plugin_exports_entry_points
           COMMAND ${CMAKE_COMMAND} -DMODE=exports -DNM=${TOLVANE_NM}
                   -DPLUGIN=$<TARGET_FILE:TolvaneQ> -P ${TOLVANE_RENDER_SCRIPT})
endif()

set(plugin $<TARGET_FILE:TolvaneQ>)

tolvane_render_test(render_generated_signal CODE 0
  ARGS ${plugin} --seconds 3 --rate 44100 --block 480 --param "Output Trim=0.75"
       -o generated.wav
  EXPECT "Plug-in: +Tolvane-Q by Morvel Audio \\(Morvel Tolvane-Q"
         "Source: +generated test signal, 44100 Hz, stereo, 3.00 s"
         "0 Output Trim +0.7500 +\\+6.0 dB" "4 Bypass +0.0000 +ACTIVE state"
         "Input: +peak +-?[0-9.]+ dBFS" "Output: +peak +-?[0-9.]+ dBFS"
         "x real time" "Written: +generated.wav"
  PROPERTIES FIXTURES_SETUP tolvane_generated_wav)

tolvane_render_test(render_wav_written_by_the_host CODE 0
  ARGS ${plugin} generated.wav --block 333 --param 4=1 --param "172 Sieve=0.25"
       -o processed.wav
  EXPECT "Source: +generated.wav, 44100 Hz, stereo, 3.00 s" "2 172 Sieve +0.2500 +25 %"
         "4 Bypass +1.0000 +BYPASS state" "Written: +processed.wav"
  PROPERTIES FIXTURES_REQUIRED tolvane_generated_wav)

tolvane_render_test(render_refuses_a_missing_input CODE 1
  ARGS ${plugin} does-not-exist.wav EXPECT "tolvane-host: cannot read does-not-exist.wav")
tolvane_render_test(render_refuses_an_unknown_parameter CODE 1
  ARGS ${plugin} --seconds 0.1 --param "Loudness=0.5"
  EXPECT "has no parameter 'Loudness'")
tolvane_render_test(render_refuses_a_bad_block_size CODE 2
  ARGS ${plugin} --block 0 EXPECT "invalid value for --block")
tolvane_render_test(render_refuses_a_non_plugin CODE 1
  ARGS ${CMAKE_CURRENT_LIST_FILE} EXPECT "tolvane-host: cannot load")
tolvane_render_test(render_help CODE 0 ARGS --help EXPECT "Usage: .*PLUGIN.so \\[INPUT\\]")
