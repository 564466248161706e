# The layers' include rules on the source tree, and the checker's own test: each kind of
# violation planted in a scratch tree must be caught.
add_test(NAME layering_include_rules
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/layering/check_includes.sh ${CMAKE_SOURCE_DIR})
add_test(NAME layering_checker_self_test
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/layering/check_includes.sh --self-test)
set_tests_properties(layering_include_rules layering_checker_self_test PROPERTIES LABELS layering)

# The product module: built from each source once, and without the test recorder.
set(TOLVANE_PRODUCT_SOURCES "")
get_target_property(product_links TolvaneQ LINK_LIBRARIES)
foreach(target TolvaneQ ${product_links})
  if(TARGET ${target})
    get_target_property(sources ${target} SOURCES)
    foreach(source ${sources})
      if(source MATCHES "\\.cpp$")
        if(NOT IS_ABSOLUTE ${source})
          set(source ${CMAKE_SOURCE_DIR}/${source})
        endif()
        list(APPEND TOLVANE_PRODUCT_SOURCES ${source})
      endif()
    endforeach()
  endif()
endforeach()
string(REPLACE ";" "|" product_source_list "${TOLVANE_PRODUCT_SOURCES}")
add_test(NAME product_sources_compiled_once
         COMMAND ${CMAKE_COMMAND} -DMODE=sources "-DSOURCES=${product_source_list}"
                 -P ${CMAKE_SOURCE_DIR}/tests/layering/product_check.cmake)
add_test(NAME product_has_no_recorder
         COMMAND ${CMAKE_COMMAND} -DMODE=recorder -DNM=${CMAKE_NM} -DPLUGIN=$<TARGET_FILE:TolvaneQ>
                 -P ${CMAKE_SOURCE_DIR}/tests/layering/product_check.cmake)
set_tests_properties(product_sources_compiled_once product_has_no_recorder PROPERTIES
                     LABELS layering)

# Each Linux module exports its format's entry points and nothing else.
add_test(NAME product_exports_vst2
         COMMAND ${CMAKE_COMMAND} -DMODE=exports -DNM=${CMAKE_NM} -DPLUGIN=$<TARGET_FILE:TolvaneQ>
                 "-DEXPORTS=VSTPluginMain|main" -P ${CMAKE_SOURCE_DIR}/tests/layering/product_check.cmake)
add_test(NAME product_exports_vst3
         COMMAND ${CMAKE_COMMAND} -DMODE=exports -DNM=${CMAKE_NM}
                 -DPLUGIN=$<TARGET_FILE:TolvaneQ_vst3> "-DEXPORTS=GetPluginFactory|ModuleEntry|ModuleExit"
                 -P ${CMAKE_SOURCE_DIR}/tests/layering/product_check.cmake)
add_test(NAME vst3_product_has_no_recorder
         COMMAND ${CMAKE_COMMAND} -DMODE=recorder -DNM=${CMAKE_NM}
                 -DPLUGIN=$<TARGET_FILE:TolvaneQ_vst3>
                 -P ${CMAKE_SOURCE_DIR}/tests/layering/product_check.cmake)
set_tests_properties(product_exports_vst2 product_exports_vst3 vst3_product_has_no_recorder
                     PROPERTIES LABELS layering)
