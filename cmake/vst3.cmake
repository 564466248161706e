# The VST 3 build: a glue layer beside host/ over the same engine, editor and platform
# backends, and the bundles hosts load:
#   Tolvane-Q.vst3/Contents/x86_64-linux/Tolvane-Q.so   (Linux)
#   Tolvane-Q.vst3/Contents/x86_64-win/Tolvane-Q.vst3   (Windows, a DLL)
# The VST 2.4 module is untouched by it.

set(TOLVANE_VST3_SOURCES
  vst3/engine_reset.cpp vst3/factory.cpp vst3/param_texts.cpp vst3/plug_view.cpp
  vst3/plug_view_plugin.cpp vst3/plugin_component.cpp vst3/plugin_controller.cpp
  vst3/plugin_processor.cpp vst3/plugin_state.cpp vst3/state_record.cpp)

# The VST 3 layer sees itself and the platform's window options; dsp, editor and host come
# with the host layer it builds on.
tolvane_include_root(vst3 vst3 platform)

function(tolvane_vst3_layer suffix)
  tolvane_layer(tolvane_vst3${suffix} "${TOLVANE_VST3_SOURCES}" vst3)
  target_link_libraries(tolvane_vst3${suffix} PUBLIC tolvane_host${suffix})
endfunction()

tolvane_vst3_layer("")

set(TOLVANE_VST3_BUNDLE ${CMAKE_BINARY_DIR}/Tolvane-Q.vst3)
add_library(TolvaneQ_vst3 MODULE)
target_link_libraries(TolvaneQ_vst3 PRIVATE tolvane_dsp tolvane_editor tolvane_host tolvane_vst3)
if(WIN32)
  set(vst3_dir ${TOLVANE_VST3_BUNDLE}/Contents/x86_64-win)
  set_target_properties(TolvaneQ_vst3 PROPERTIES OUTPUT_NAME "Tolvane-Q" PREFIX "" SUFFIX ".vst3"
                        LIBRARY_OUTPUT_DIRECTORY ${vst3_dir} RUNTIME_OUTPUT_DIRECTORY ${vst3_dir})
  target_sources(TolvaneQ_vst3 PRIVATE platform/win32/dll_main.cpp vst3/exports.def)
  target_include_directories(TolvaneQ_vst3 PRIVATE ${CMAKE_BINARY_DIR}/layers/host)
  target_link_libraries(TolvaneQ_vst3 PRIVATE tolvane_platform_win32 gdiplus gdi32 user32
                        kernel32)
  target_link_options(TolvaneQ_vst3 PRIVATE -static -static-libgcc -static-libstdc++)
else()
  set(vst3_dir ${TOLVANE_VST3_BUNDLE}/Contents/x86_64-linux)
  set_target_properties(TolvaneQ_vst3 PROPERTIES OUTPUT_NAME "Tolvane-Q" PREFIX ""
                        LIBRARY_OUTPUT_DIRECTORY ${vst3_dir})
  target_link_libraries(TolvaneQ_vst3 PRIVATE tolvane_platform_x11)
  target_link_options(TolvaneQ_vst3 PRIVATE -Wl,--no-undefined
                      -Wl,--version-script=${CMAKE_SOURCE_DIR}/vst3/exports.map)
  set_target_properties(TolvaneQ_vst3 PROPERTIES LINK_DEPENDS ${CMAKE_SOURCE_DIR}/vst3/exports.map)
endif()
