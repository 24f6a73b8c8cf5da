# Gives a finished package the summary information that makes two builds of one commit the same bytes, in
# place: created and last saved at the build's time stamp, where wixl writes the clock's time, and as package
# code a name-based UUID of all else the package holds, where wixl makes one up at random. wixl has no option
# to choose them.
#   cmake -DMSIINFO=<msiinfo> -DPERL=<perl> -DEPOCH=<seconds since 1970> -DPACKAGE=<package>
#         -P StampPackage.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/ClockStamps.cmake)

# Tellmark's own namespace of name-based package codes.
set(PACKAGE_CODE_NAMESPACE E1C48201-23CE-4332-B2A4-628D5EAE8A90)

# summary_field(<variable> <label>): a field of the summary information as msiinfo shows it.
function(summary_field variable label)
    if(NOT summary MATCHES "\n${label}: ([^\n]*)")
        message(FATAL_ERROR "${PACKAGE} has no ${label} in its summary information")
    endif()
    set(${variable} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# A summary date as it stands in the file: a property of type VT_FILETIME, 100 ns since 1601.
function(filetime_hex variable seconds)
    little_endian_hex(ticks "(${seconds} + 11644473600) * 10000000" 8)
    set(${variable} 40000000${ticks} PARENT_SCOPE)
endfunction()

# Both dates were written from the clock, in one second or in two.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${MSIINFO} suminfo ${PACKAGE}
                OUTPUT_VARIABLE summary COMMAND_ERROR_IS_FATAL ANY)
summary_field(created "Created")
summary_field(saved "Last saved")
summary_field(package_code "Revision number \\(UUID\\)")
set(dates ${created} ${saved})
list(REMOVE_DUPLICATES dates)
list(LENGTH dates count)
math(EXPR occurrences "2 / ${count}")
filetime_hex(epoch_hex ${EPOCH})
set(replacements)
foreach(date IN LISTS dates)
    seconds_of(seconds "${date}")
    filetime_hex(date_hex ${seconds})
    list(APPEND replacements ${date_hex} ${epoch_hex} ${occurrences})
endforeach()
text_hex(code_hex "${package_code}")
text_hex(placeholder_hex "{00000000-0000-0000-0000-000000000000}")
replace_bytes(${PACKAGE} ${replacements} ${code_hex} ${placeholder_hex} 1)

file(SHA256 ${PACKAGE} content)
string(UUID content_code NAMESPACE ${PACKAGE_CODE_NAMESPACE} NAME ${content} TYPE SHA1 UPPER)
text_hex(content_code_hex "{${content_code}}")
replace_bytes(${PACKAGE} ${placeholder_hex} ${content_code_hex} 1)
