# Dates a type library that widl wrote with the build's time stamp instead of the clock, in place:
#   cmake -DPERL=<perl> -DEPOCH=<seconds since 1970> -DTYPELIB=<file> -P StampTypeLibrary.cmake
# widl records its run's time twice, as custom data of the library: as the text "Created by WIDL version <v>
# at <date>" (run in UTC and the C locale: English UTC text) and as a number of type VT_UI4.
include(${CMAKE_CURRENT_LIST_DIR}/ClockStamps.cmake)

file(STRINGS ${TYPELIB} created REGEX "^Created by WIDL version .* at ")
if(NOT created MATCHES "^(.* at )(.*)$")
    message(FATAL_ERROR "${TYPELIB} does not say when widl created it")
endif()
set(prefix ${CMAKE_MATCH_1})
set(date ${CMAKE_MATCH_2})
seconds_of(seconds "${date}")
execute_process(COMMAND date -u -d @${EPOCH} "+%a %b %e %H:%M:%S %Y" OUTPUT_VARIABLE epoch_date
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
text_hex(old_text "${prefix}${date}")
text_hex(new_text "${prefix}${epoch_date}")
set(VT_UI4 1300)
little_endian_hex(old_number ${seconds} 4)
little_endian_hex(new_number ${EPOCH} 4)
replace_bytes(${TYPELIB} ${old_text} ${new_text} 1 ${VT_UI4}${old_number} ${VT_UI4}${new_number} 1)
