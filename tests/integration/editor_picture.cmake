# The real editor under wine: editor_snapshot.exe loads Tolvane-Q.dll, opens its editor
# in a 920x580 host frame, feeds a fixed stretch of music through the plug-in and captures
# the editor before its first animation tick, so the picture is the same on every run
# however loaded the machine is. It checks colours at fixed pixels, times the paint while
# an audio thread plays on, and opens and closes the editor twenty times watching for
# leftover windows and GDI objects. The picture stays in the build dir as editor.png for
# anyone who wants to look at it.
include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)

if(TOLVANE_WINE_ENABLED)
  set(TOLVANE_EDITOR_PNG ${CMAKE_BINARY_DIR}/editor.png)
  tolvane_add_wine_test(editor_picture
    COMMAND editor_snapshot.exe Tolvane-Q.dll ${TOLVANE_EDITOR_PNG} --check
    FIXTURES_SETUP tolvane_editor_png)

  # An independent reader must agree that the file is a 920x580 image.
  find_program(TOLVANE_IDENTIFY_PROGRAM identify)
  if(TOLVANE_IDENTIFY_PROGRAM)
    add_test(NAME editor_picture_size
             COMMAND ${TOLVANE_IDENTIFY_PROGRAM} -format "%wx%h" ${TOLVANE_EDITOR_PNG})
    set_tests_properties(editor_picture_size PROPERTIES
                         FIXTURES_REQUIRED tolvane_editor_png
                         PASS_REGULAR_EXPRESSION "^920x580[ \t\r\n]*$" LABELS wine)
  else()
    message(STATUS "ImageMagick identify not found: editor_picture_size is not registered")
  endif()
endif()
