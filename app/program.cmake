# The program: the application object and Tolvane.exe with its resources.
add_executable(Tolvane WIN32
    ${CMAKE_CURRENT_SOURCE_DIR}/TolvaneApp.cpp
)
target_compile_options(Tolvane PRIVATE ${TOLVANE_WARNINGS})
target_include_directories(Tolvane PRIVATE ${CMAKE_SOURCE_DIR})
# Resources must be linked as an object, not from an archive, or the linker
# would leave them out.
target_link_libraries(Tolvane PRIVATE tolvaneres maindlg appcontext)
