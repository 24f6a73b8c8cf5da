# Two builds of one commit give the same bytes, wherever and whenever they run: every time stamp a build
# writes is TELLMARK_SOURCE_DATE_EPOCH, which is SOURCE_DATE_EPOCH from the environment when set (the usual
# convention), else the time of the last commit. (CMakeLists.txt keeps the source folder out of the binaries.)
if(NOT DEFINED TELLMARK_SOURCE_DATE_EPOCH)
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
        set(TELLMARK_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
    else()
        find_package(Git QUIET)
        if(GIT_FOUND)
            execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                            OUTPUT_VARIABLE TELLMARK_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                            ERROR_QUIET)
        endif()
    endif()
endif()
# A cabinet stores dates from 1980 on.
if(NOT TELLMARK_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$" OR TELLMARK_SOURCE_DATE_EPOCH LESS 315532800)
    message(FATAL_ERROR "No time stamp for the build: set SOURCE_DATE_EPOCH (seconds since 1970, from 1980 "
                        "on) when building outside a git checkout")
endif()

# ld writes SOURCE_DATE_EPOCH as the time stamp of the PE header and of the export table.
foreach(language C CXX)
    set(CMAKE_${language}_LINKER_LAUNCHER
        ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TELLMARK_SOURCE_DATE_EPOCH})
endforeach()

# widl and wixl take time stamps from the clock; the build overwrites them in their output
# (ClockStamps.cmake).
find_program(PERL perl REQUIRED)
