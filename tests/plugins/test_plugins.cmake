# Plug-in tests: small plug-in libraries for the host's tests, built into the test folder
# (never the program folder), and the compressor's tests.

set(KLV_TEST_PLUGIN_DIR ${CMAKE_BINARY_DIR}/tests/plugins)

function(klv_test_plugin name)
    add_library(${name} MODULE ${CMAKE_CURRENT_LIST_DIR}/fixtures/test_plugin.c)
    set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY
                                             ${KLV_TEST_PLUGIN_DIR} C_VISIBILITY_PRESET hidden)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR})
    target_compile_definitions(${name} PRIVATE ${ARGN})
    set(KLV_TEST_PLUGINS ${KLV_TEST_PLUGINS} ${name} PARENT_SCOPE)
endfunction()

klv_test_plugin(offset_plugin TEST_NAME="Offset Plugin" TEST_OFFSET=0.25f)
klv_test_plugin(scale_plugin TEST_NAME="Scale Plugin" TEST_SCALE=2.0f TEST_HAS_OPTIONALS=0)
klv_test_plugin(refusing_plugin TEST_NAME="Refusing Plugin" TEST_INFO_RESULT=0)
klv_test_plugin(no_process_plugin TEST_NAME="No Process Plugin" TEST_HAS_PROCESS=0)
klv_test_plugin(slow_plugin TEST_NAME="Slow Plugin" TEST_SLEEP_MS=100)
klv_test_plugin(sometimes_slow_plugin TEST_NAME="Sometimes Slow Plugin" TEST_SLEEP_MS=20
                TEST_SLEEP_EVERY=2)
foreach(letter A B C)
    klv_test_plugin(stress_${letter}_plugin TEST_NAME="Stress ${letter}" TEST_BUSY_US=200)
endforeach()
add_custom_target(klv_test_plugins DEPENDS ${KLV_TEST_PLUGINS})

if(TARGET engine_audio_tests)
    add_dependencies(engine_audio_tests klv_test_plugins)
    target_compile_definitions(engine_audio_tests PRIVATE
                               KLV_TEST_PLUGIN_DIR="${KLV_TEST_PLUGIN_DIR}")
endif()

klv_add_test_dir(engine_plugins plugins klv3_objects)
if(TARGET engine_plugins AND TARGET compressor)
    add_dependencies(engine_plugins compressor)
    target_compile_definitions(engine_plugins PRIVATE
                               KLV_COMPRESSOR_PATH="$<TARGET_FILE:compressor>")
endif()
if(TARGET compressor)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    find_program(KLV_NM nm REQUIRED)
    add_test(NAME compressor_exports
             COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/check_plugin_exports.py
                     ${KLV_NM} $<TARGET_FILE:compressor>)
    set_tests_properties(compressor_exports PROPERTIES LABELS engine_plugins)
endif()
