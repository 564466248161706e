# The code's layers as CMake targets. Dependencies point one way:
#   dsp  <-  editor  <-  platform backends (win32, x11; headless for tests)
#   host: the VST 2.4 glue over dsp and editor
# Each layer compiles against an include root of its own that holds only itself and the
# layers it may use, so an include of a layer above (or beside) it does not resolve: a
# wrong include is a build error, not a review comment.

set(TOLVANE_DSP_SOURCES
  dsp/analyser.cpp dsp/audio_path.cpp dsp/cascade.cpp dsp/engine_exchange.cpp
  dsp/factory_bands.cpp dsp/filter_design.cpp dsp/generic/kernels.cpp dsp/instance_engine.cpp
  dsp/modulation.cpp dsp/peak_level.cpp dsp/process_block.cpp dsp/process_skewed.cpp
  dsp/real_fft.cpp)
# The instruction sets' own kernels and the choice among them (dsp/kernels.h) on x86-64;
# the portable record alone elsewhere. TOLVANE_SSE2 tells every file which stereo pair the
# build has (dsp/stereo_pair.h).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(TOLVANE_SSE2 1)
  list(APPEND TOLVANE_DSP_SOURCES
    dsp/x86/avx2/analyser.cpp dsp/x86/avx2/cascade.cpp dsp/x86/avx2/output.cpp
    dsp/x86/avx2/skewed.cpp
    dsp/x86/avx512/analyser.cpp dsp/x86/avx512/cascade.cpp dsp/x86/avx512/output.cpp dsp/x86/avx512/skewed.cpp
    dsp/x86/float_modes.cpp dsp/x86/kernel_select.cpp dsp/x86/sse2/kernels.cpp)
else()
  set(TOLVANE_SSE2 0)
  list(APPEND TOLVANE_DSP_SOURCES dsp/generic/float_modes.cpp dsp/generic/kernel_select.cpp)
endif()
add_compile_definitions(TOLVANE_SSE2=${TOLVANE_SSE2})
# GCC's straight-line vectorizer packs the level detector's held peak and envelope into one
# register (or one store): the peak's short recursion then waits every sample for the
# envelope's division, which doubled the detector's cost in the portable cascade loop. Its
# own vector code is written out, so it goes without.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set_source_files_properties(dsp/generic/kernels.cpp
    PROPERTIES COMPILE_OPTIONS -fno-tree-slp-vectorize)
endif()
set(TOLVANE_EDITOR_SOURCES
  editor/band_response.cpp editor/editor_events.cpp editor/editor_view.cpp
  editor/input_bands.cpp editor/input_controls.cpp editor/input_effect.cpp
  editor/input_hit.cpp editor/input_pointer.cpp editor/input_press.cpp
  editor/paint_editor.cpp editor/paint_graph_curves.cpp editor/paint_graph_grid.cpp
  editor/paint_graph_nodes.cpp editor/paint_header.cpp editor/paint_helpers.cpp
  editor/paint_layer.cpp editor/paint_strip.cpp editor/presets.cpp editor/text_format.cpp)
set(TOLVANE_HOST_SOURCES
  host/audio_callback.cpp host/dispatcher.cpp host/editor_host.cpp host/entry.cpp
  host/lifecycle.cpp host/parameters.cpp host/plugin_instance.cpp host/process_state.cpp
  host/record_gate.cpp)
set(TOLVANE_HEADLESS_SOURCES
  platform/canvas_layer_cache.cpp platform/headless/recording_canvas.cpp
  platform/headless/window_system_headless.cpp)
set(TOLVANE_WIN32_SOURCES
  platform/canvas_layer_cache.cpp platform/win32/editor_window_proc.cpp
  platform/win32/gdiplus_canvas.cpp platform/win32/message_events.cpp
  platform/win32/window_system_win32.cpp)

# An include root per layer: a directory of links to the layer directories it may see.
function(tolvane_include_root name)
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(layer ${ARGN})
    if(NOT EXISTS ${root}/${layer})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
    endif()
  endforeach()
endfunction()
tolvane_include_root(dsp dsp)
tolvane_include_root(editor editor)
tolvane_include_root(platform platform)
tolvane_include_root(host host)

# One object library per layer; `suffix` names a variant (sanitizers), ARGN its options.
function(tolvane_layer name sources root)
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_BINARY_DIR}/layers/${root})
endfunction()

function(tolvane_layers suffix)
  tolvane_layer(tolvane_dsp${suffix} "${TOLVANE_DSP_SOURCES}" dsp)
  target_compile_options(tolvane_dsp${suffix} PUBLIC ${ARGN})
  target_link_options(tolvane_dsp${suffix} INTERFACE ${ARGN})
  # The audio path's loops (the cascades above all) gain from -O3's unrolling: 3 to 5% less
  # time per frame with many bands, the same output bits (no floating-point licence comes
  # with it). Only for the product's own variant: the sanitizer builds keep their options.
  if(suffix STREQUAL "" AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    target_compile_options(tolvane_dsp${suffix} PRIVATE -O3)
  endif()

  tolvane_layer(tolvane_editor${suffix} "${TOLVANE_EDITOR_SOURCES}" editor)
  target_link_libraries(tolvane_editor${suffix} PUBLIC tolvane_dsp${suffix})

  tolvane_layer(tolvane_host${suffix} "${TOLVANE_HOST_SOURCES}" host)
  target_link_libraries(tolvane_host${suffix} PUBLIC tolvane_editor${suffix})
endfunction()

# The window-system recorder of the native tests: never linked into a product.
function(tolvane_headless suffix)
  tolvane_layer(tolvane_platform_headless${suffix} "${TOLVANE_HEADLESS_SOURCES}" platform)
  target_link_libraries(tolvane_platform_headless${suffix} PUBLIC tolvane_editor${suffix})
endfunction()
