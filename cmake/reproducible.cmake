# Two builds of one commit give the same bytes, wherever and whenever they
# run, and the exe that ships carries no debug information.

# No build path in a binary: __FILE__ and debug information name files
# relative to the source root. GCC tries the last map first, so the build
# folder (often inside the source root) comes last.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=./build>")

# The PE header's time stamp is left 0 rather than the moment of linking.
add_link_options(-Wl,--no-insert-timestamp)

# Static libraries with no member times, owners or modes (D), whatever the
# default of the installed binutils.
foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

# tolvane_keep_debug_beside(target): after each link, moves the debug
# sections (the static C and C++ runtimes bring about 600 KB of them) and
# the symbol table out of the executable into NAME.debug beside it, and
# leaves a GNU debug link (the file's name and CRC) in the executable, where
# a debugger finds them. Stripping is part of the link step, so the stripped
# exe is the one the tests run and the packages ship. objcopy writes a new
# PE time stamp (the current time, or SOURCE_DATE_EPOCH when that is set);
# 0 keeps it as the link left it. Last, the exe is padded to a multiple of 8
# bytes (see pe-pad.py), so that removing a signature gives it back.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(tolvane_keep_debug_beside target)
    set(exe $<TARGET_FILE_NAME:${target}>)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                ${CMAKE_OBJCOPY} --only-keep-debug ${exe} ${exe}.debug
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${exe}.debug ${exe}
        COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/pe-pad.py ${exe}
        WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
        COMMENT "Moving the debug information of ${target} beside it"
        VERBATIM)
    set_property(TARGET ${target} APPEND PROPERTY ADDITIONAL_CLEAN_FILES
        $<TARGET_FILE:${target}>.debug)
endfunction()
