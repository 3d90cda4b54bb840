# Strict warnings for the project's own code; errors only where a developer or CI asks for them,
# never in a user's or packager's build.
function(tessaro_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(TESSARO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A GoogleTest executable over the Qt-free core and channel protocols.
function(tessaro_add_gtest name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE tessaro_serial tessaro_net tessaro_test_support
                                          GTest::gtest GTest::gtest_main)
    tessaro_strict(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30)
endfunction()

# A QtTest executable on the real dialog, run offscreen as one CTest entry.
function(tessaro_add_qtest name)
    add_executable(${name} ${ARGN})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE tessaro_ui tessaro_test_support Qt6::Test)
    tessaro_strict(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endfunction()

# A test, bench or picture-taking program that starts the reader-sim program.
function(tessaro_uses_reader_sim target)
    add_dependencies(${target} reader-sim)
    target_compile_definitions(${target} PRIVATE READER_SIM_PATH="$<TARGET_FILE:reader-sim>")
endfunction()
