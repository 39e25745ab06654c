# Helpers shared by every module's CMakeLists.

# Our own code builds warning-free; third-party headers are included as SYSTEM by their targets.
function(deckshot_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    # GCC 12 at -O3 sees overlapping copies in plain "text" + std::to_string(n) (GCC bug 105329,
    # fixed in GCC 13): a false -Wrestrict on every such line.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(DECKSHOT_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# deckshot_test(NAME <name> LABEL <unit|window|office|screen> SOURCES ... LIBS ... [TIMEOUT s])
# One GoogleTest executable; its cases are discovered when ctest runs, so building never needs
# a display or an office. Case names come from the tests' name generators alone, never from a
# printout of the parameter.
function(deckshot_test)
    cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    deckshot_warnings(${T_NAME})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} deckshot_fakes GTest::gtest GTest::gmock GTest::gtest_main)
    set(env "DECKSHOT_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(T_LABEL STREQUAL "unit" OR T_LABEL STREQUAL "window")
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    if(T_LABEL STREQUAL "office")
        # Headless, even when the suite runs under an X server: a visible office window would
        # land on top of the slide show that a screen test is capturing.
        list(APPEND env "DISPLAY=" "WAYLAND_DISPLAY=")
    endif()
    set(lock "")
    if(T_LABEL STREQUAL "screen")
        set(lock RESOURCE_LOCK display)  # one X screen: its tests take turns
    endif()
    gtest_discover_tests(${T_NAME}
        DISCOVERY_MODE PRE_TEST
        NO_PRETTY_VALUES
        PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}" ${lock})
    if(T_LABEL STREQUAL "unit")
        set_property(GLOBAL APPEND PROPERTY DECKSHOT_UNIT_TESTS ${T_NAME})
    endif()
endfunction()
