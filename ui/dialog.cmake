# The main dialog. Its resources (template 102, icons, cursor, banner) are in
# the tolvaneres object library, which the program links directly.
add_library(maindlg STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/TolvaneDlg.cpp
)
target_compile_options(maindlg PRIVATE ${TOLVANE_WARNINGS})
target_include_directories(maindlg PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(maindlg PUBLIC listctrl controls appoptions appcontext engine framework
    support shell32 ole32)
