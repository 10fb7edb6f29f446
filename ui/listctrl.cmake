# The message list control (library listctrl).
tolvane_library(listctrl
    SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/KoListCtrl.cpp
    LINKS framework support comctl32
)
