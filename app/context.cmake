# The application context and settings store.
tolvane_library(appcontext
    SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/AppContext.cpp
    LINKS engine support framework
)
