# Small helpers shared by the modules' CMake files.

# zerva_data(FILES f... [DESTINATION subdir]): copy data files into the build tree's
# share/zerva (so programs run from the build tree) and install them beside the programs.
function(zerva_data)
    cmake_parse_arguments(ARG "" "DESTINATION" "FILES" ${ARGN})
    set(dest ${ZERVA_DATA_DIR})
    set(idest ${ZERVA_INSTALL_DATA_DIR})
    if(ARG_DESTINATION)
        set(dest ${dest}/${ARG_DESTINATION})
        set(idest ${idest}/${ARG_DESTINATION})
    endif()
    foreach(f ${ARG_FILES})
        get_filename_component(name ${f} NAME)
        configure_file(${f} ${dest}/${name} COPYONLY)
        install(FILES ${f} DESTINATION ${idest})
    endforeach()
endfunction()

# zerva_test(NAME src... LIBS lib...): one GoogleTest executable registered with CTest,
# run offscreen so widget tests need no display.
function(zerva_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} zerva_test_support GTest::gtest zerva_options)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
