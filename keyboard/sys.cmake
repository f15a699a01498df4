# keyboard_sys: the keyboard program's start-up checks, its system folder and the XKB export.
# Included from keyboard/CMakeLists.txt; links QtCore only, like the rest of the core.
add_library(keyboard_sys STATIC
    ${CMAKE_CURRENT_LIST_DIR}/layout_reloader.h
    ${CMAKE_CURRENT_LIST_DIR}/startup_checks.cpp ${CMAKE_CURRENT_LIST_DIR}/startup_checks.h
    ${CMAKE_CURRENT_LIST_DIR}/windir.cpp ${CMAKE_CURRENT_LIST_DIR}/windir.h
    ${CMAKE_CURRENT_LIST_DIR}/xkb_export.cpp ${CMAKE_CURRENT_LIST_DIR}/xkb_export.h)
target_include_directories(keyboard_sys PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(keyboard_sys PUBLIC zerva_common Qt6::Core zerva_options)
