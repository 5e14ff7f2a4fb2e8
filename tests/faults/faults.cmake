# Fault injection tests (files vanishing or shrinking under a playing line, sound devices that
# refuse or stall, a slow plug-in, the settings store going away, a full disk) and the short
# soak run.

if(TARGET engine_faults_tests)
    if(TARGET klv_fixture_files)
        add_dependencies(engine_faults_tests klv_fixture_files)
        target_compile_definitions(engine_faults_tests PRIVATE
                                   KLV_FIXTURE_DIR="${CMAKE_BINARY_DIR}/fixtures")
    endif()
    if(TARGET klv_test_plugins)
        add_dependencies(engine_faults_tests klv_test_plugins)
        target_compile_definitions(engine_faults_tests PRIVATE
                                   KLV_TEST_PLUGIN_DIR="${KLV_TEST_PLUGIN_DIR}")
    endif()
endif()

# About a minute of the soak; longer runs by hand: bin/klvsoak --minutes 30.
if(TARGET klvsoak AND TARGET klv_fixture_files AND TARGET compressor)
    add_test(NAME soak_short
             COMMAND klvsoak --minutes 1 --fixtures ${CMAKE_BINARY_DIR}/fixtures
                     --plugin $<TARGET_FILE:compressor>)
    set_tests_properties(soak_short PROPERTIES LABELS soak TIMEOUT 240)
endif()

# The soak tool's recording check is tested with the fault tests.
if(TARGET engine_faults_tests)
    target_sources(engine_faults_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/soak/recording_watch.cpp)
endif()
