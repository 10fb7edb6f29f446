# The command-line parser and the options dialog.
add_library(appoptions STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/CmdLineParser.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/OptionsDlg.cpp
)
target_compile_options(appoptions PRIVATE ${TOLVANE_WARNINGS})
target_include_directories(appoptions PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(appoptions PUBLIC appcontext framework support)
