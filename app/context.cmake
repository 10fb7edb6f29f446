# The application context and settings store.
add_library(appcontext STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/AppContext.cpp
)
target_compile_options(appcontext PRIVATE ${TOLVANE_WARNINGS})
target_include_directories(appcontext PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(appcontext PUBLIC engine support framework)
