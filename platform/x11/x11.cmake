# The X11 + Cairo platform backend of the Linux module: the editor's window system and its
# canvas. It links only what a Linux desktop has: libX11, libcairo, libfontconfig and
# libfreetype.
#
#   tolvane_platform_x11_library(<name> <editor-library> [compile/link options...])
#
# makes an object library <name> of the backend (like the other layers), built and linked with the given options
# (a sanitizer variant passes its flags), on top of <editor-library>.

include_guard(GLOBAL)

find_package(PkgConfig REQUIRED)
pkg_check_modules(TOLVANE_X11_DEPS REQUIRED IMPORTED_TARGET GLOBAL x11 cairo fontconfig freetype2)

set(TOLVANE_PLATFORM_X11_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../canvas_layer_cache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cairo_draw_string.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cairo_drawing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cairo_font_chain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cairo_fonts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cairo_layer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cairo_resources.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cairo_text_layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_system_x11.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_error_trap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_event_translation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_window_lifecycle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_window_options.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_window_paint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_window_pump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11_window_registry.cpp)

# The platform layer's include root (cmake/layers.cmake): platform/ itself; dsp/ and editor/
# come with the editor library.
function(tolvane_platform_x11_library name editor_library)
  add_library(${name} OBJECT ${TOLVANE_PLATFORM_X11_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_BINARY_DIR}/layers/platform)
  target_compile_options(${name} PUBLIC ${ARGN})
  target_link_options(${name} PUBLIC ${ARGN})
  target_link_libraries(${name} PUBLIC ${editor_library} PkgConfig::TOLVANE_X11_DEPS)
endfunction()
