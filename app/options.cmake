# The command-line parser and the options dialog.
tolvane_library(appoptions
    SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/CmdLineParser.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/OptionsDlg.cpp
    LINKS appcontext framework support
)
