# The main dialog. Its resources (template 102, icons, cursor, banner) are in
# the tolvaneres object library, which the program links directly.
tolvane_library(maindlg
    SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/TolvaneDlg.cpp
    LINKS listctrl controls appoptions appcontext engine framework support shell32 ole32
)
