# Runs the cross-built test programs under Wine from ctest.
#
# Every ctest run gets fresh Wine prefixes inside the build tree (fixture "wine-<prefix>"), each a copy of one
# booted prefix (fixture "wine-template"), and one Xvfb display shared by all tests (fixture "xvfb"), so `ctest`
# alone sets up everything it needs.
# Everything that runs 32-bit code (the 32-bit build's programs, the package's 32-bit registration, SysWOW64's
# tools) needs Wine's 32-bit half, and so a prefix created where i386 programs run: scripts/test runs the whole
# ctest run through the i386 host (tests/wine/i386/), natively or emulated. The 32-bit build's programs need no
# display; its tests and fixtures carry "x86-" in front of their names, so that they join the 64-bit build's
# ctest run beside its own.

find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
find_program(WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
find_program(MINGW_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)

set(WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(WINE_DISPLAY_FILE ${WINE_ROOT}/display)
set(WINE_SCRIPTS ${CMAKE_SOURCE_DIR}/tests/wine)
include(${WINE_SCRIPTS}/i386/I386Host.cmake)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(WINE_TEST_NAME_PREFIX x86-)
    set(WINE_COMMAND "\"${WINE_I386_HOST}\" \"${WINE64}\"")
    set(WINESERVER_COMMAND ${WINE_I386_HOST} ${WINESERVER})
    set(WINE_TEST_ENVIRONMENT TEST_NO_DISPLAY=1)
else()
    find_program(XVFB Xvfb REQUIRED)
    set(WINE_COMMAND "\"${WINE64}\"")
    set(WINESERVER_COMMAND ${WINESERVER})
    set(WINE_DISPLAY_FIXTURE xvfb)
    add_test(NAME xvfb-start COMMAND sh ${WINE_SCRIPTS}/xvfb-start.sh ${XVFB} ${WINE_DISPLAY_FILE})
    add_test(NAME xvfb-stop COMMAND sh ${WINE_SCRIPTS}/xvfb-stop.sh ${WINE_DISPLAY_FILE})
    set_tests_properties(xvfb-start PROPERTIES FIXTURES_SETUP xvfb)
    set_tests_properties(xvfb-stop PROPERTIES FIXTURES_CLEANUP xvfb)
endif()
configure_file(${WINE_SCRIPTS}/run.in ${WINE_ROOT}/run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                WORLD_EXECUTE)
set(WINE_RUN ${WINE_ROOT}/run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN})

# The prefix every test prefix is copied from: booted once per build tree, at the start of the first ctest run
# that needs a prefix, and booted again only when Wine, the route to its 32-bit half or the set-up changes
# (prefix-setup.sh). The 32-bit build copies the 64-bit build's, which its ctest run includes.
if(NOT WINE_TEMPLATE)
    set(WINE_TEMPLATE ${WINE_ROOT}/template)
    add_test(NAME wine-prefix-template
             COMMAND sh ${WINE_SCRIPTS}/prefix-setup.sh ${WINE_RUN} ${WINE_TEMPLATE} ${WINESERVER_COMMAND})
    # Booting takes 10 to 25 s even under emulation: a set-up that hangs fails under its own name.
    set_tests_properties(wine-prefix-template PROPERTIES FIXTURES_SETUP wine-template
                                                         FIXTURES_REQUIRED "${WINE_DISPLAY_FIXTURE}"
                                                         TIMEOUT 180)
endif()

# wine_prefix(<name>): a fresh prefix at ${WINE_ROOT}/<name>, a copy of the template made once per ctest run
# and removed when its tests are done.
function(wine_prefix name)
    # if(TEST) sees only the current directory's tests; the prefix list spans all directories.
    get_property(known_prefixes GLOBAL PROPERTY WINE_PREFIXES)
    if(name IN_LIST known_prefixes)
        return()
    endif()
    set_property(GLOBAL APPEND PROPERTY WINE_PREFIXES ${name})
    set(dir ${WINE_ROOT}/${name})
    set(test ${WINE_TEST_NAME_PREFIX}wine-prefix-${name})
    set(fixture wine-${WINE_TEST_NAME_PREFIX}${name})
    add_test(NAME ${test}
             COMMAND sh ${WINE_SCRIPTS}/prefix-copy.sh ${WINE_TEMPLATE} ${dir} ${WINESERVER_COMMAND})
    add_test(NAME ${test}-stop COMMAND sh ${WINE_SCRIPTS}/prefix-stop.sh ${dir} ${WINESERVER_COMMAND})
    set_tests_properties(${test} PROPERTIES FIXTURES_SETUP ${fixture} FIXTURES_REQUIRED wine-template TIMEOUT 180)
    set_tests_properties(${test}-stop PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 120)
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
    set(test ${WINE_TEST_NAME_PREFIX}${arg_NAME})
    set(environment WINEPREFIX=${WINE_ROOT}/${arg_PREFIX} ${WINE_TEST_ENVIRONMENT} ${arg_ENVIRONMENT})
    add_test(NAME ${test} COMMAND ${arg_COMMAND})
    set(fixtures ${WINE_DISPLAY_FIXTURE} wine-${WINE_TEST_NAME_PREFIX}${arg_PREFIX})
    set_tests_properties(${test} PROPERTIES
        FIXTURES_REQUIRED "${fixtures}"
        ENVIRONMENT "${environment}"
        TIMEOUT ${arg_TIMEOUT})
    if(arg_RESOURCE_LOCK)
        set_tests_properties(${test} PROPERTIES RESOURCE_LOCK "${arg_RESOURCE_LOCK}")
    endif()
endfunction()
