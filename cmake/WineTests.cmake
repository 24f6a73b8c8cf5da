# Runs the cross-built test programs under Wine from ctest.
#
# Every ctest run gets fresh Wine prefixes inside the build tree (fixture "wine-<prefix>") and one
# Xvfb display shared by all tests (fixture "xvfb"), so `ctest` alone sets up everything it needs.

find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
find_program(WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
find_program(XVFB Xvfb REQUIRED)
find_program(MINGW_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)

set(WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(WINE_DISPLAY_FILE ${WINE_ROOT}/display)
set(WINE_SCRIPTS ${CMAKE_SOURCE_DIR}/tests/wine)
configure_file(${WINE_SCRIPTS}/run.in ${WINE_ROOT}/run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                WORLD_EXECUTE)
set(WINE_RUN ${WINE_ROOT}/run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN})

add_test(NAME xvfb-start COMMAND sh ${WINE_SCRIPTS}/xvfb-start.sh ${XVFB} ${WINE_DISPLAY_FILE})
add_test(NAME xvfb-stop COMMAND sh ${WINE_SCRIPTS}/xvfb-stop.sh ${WINE_DISPLAY_FILE})
set_tests_properties(xvfb-start PROPERTIES FIXTURES_SETUP xvfb)
set_tests_properties(xvfb-stop PROPERTIES FIXTURES_CLEANUP xvfb)

# wine_prefix(<name>): a fresh prefix at ${WINE_ROOT}/<name>, set up once per ctest run.
function(wine_prefix name)
    # if(TEST) sees only the current directory's tests; the prefix list spans all directories.
    get_property(known_prefixes GLOBAL PROPERTY WINE_PREFIXES)
    if(name IN_LIST known_prefixes)
        return()
    endif()
    set_property(GLOBAL APPEND PROPERTY WINE_PREFIXES ${name})
    set(dir ${WINE_ROOT}/${name})
    add_test(NAME wine-prefix-${name} COMMAND sh ${WINE_SCRIPTS}/prefix-setup.sh ${WINE_RUN} ${dir})
    add_test(NAME wine-prefix-${name}-stop COMMAND sh ${WINE_SCRIPTS}/prefix-stop.sh ${WINESERVER} ${dir})
    set_tests_properties(wine-prefix-${name} PROPERTIES FIXTURES_SETUP wine-${name} FIXTURES_REQUIRED xvfb
                                                        ENVIRONMENT WINEPREFIX=${dir})
    set_tests_properties(wine-prefix-${name}-stop PROPERTIES FIXTURES_CLEANUP wine-${name})
endfunction()

# add_wine_test(NAME <test> COMMAND <target> [args...]
#               [PREFIX <name>] [ENVIRONMENT <VAR=value>...] [RESOURCE_LOCK <lock>...] [TIMEOUT <s>])
# Runs a test program in the prefix "main" unless another is named. Tests that share a prefix and
# touch the same registry area or prefix files must name a common RESOURCE_LOCK.
function(add_wine_test)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;PREFIX;TIMEOUT" "COMMAND;ENVIRONMENT;RESOURCE_LOCK")
    if(NOT arg_PREFIX)
        set(arg_PREFIX main)
    endif()
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 300)
    endif()
    wine_prefix(${arg_PREFIX})
    add_test(NAME ${arg_NAME} COMMAND ${arg_COMMAND})
    set_tests_properties(${arg_NAME} PROPERTIES
        FIXTURES_REQUIRED "xvfb;wine-${arg_PREFIX}"
        ENVIRONMENT "WINEPREFIX=${WINE_ROOT}/${arg_PREFIX};${arg_ENVIRONMENT}"
        TIMEOUT ${arg_TIMEOUT})
    if(arg_RESOURCE_LOCK)
        set_tests_properties(${arg_NAME} PROPERTIES RESOURCE_LOCK "${arg_RESOURCE_LOCK}")
    endif()
endfunction()
