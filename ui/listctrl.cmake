# The message list control (library listctrl).
add_library(listctrl STATIC
    ${CMAKE_CURRENT_LIST_DIR}/KoListCtrl.cpp
)
target_compile_options(listctrl PRIVATE ${TOLVANE_WARNINGS})
target_include_directories(listctrl PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(listctrl PUBLIC framework support comctl32)
