# The real editor under wine, driven by mouse messages: input_check.exe loads
# Tolvane-Q.dll, opens its editor in a host frame while a tone plays through the plug-in
# on an audio thread, drags a band node, turns the wheel, steps the presets, drags two
# knobs and presses the bypass button, and checks the results through the sound,
# getParameter and the dispatcher's parameter texts.
include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)

tolvane_add_wine_test(editor_input COMMAND input_check.exe Tolvane-Q.dll)
