# Wine's 32-bit half: WINE_I386_HOST, a command prefix that runs its command where i386 programs run
# (i386-host.in), and the fix it preloads into emulated programs.
find_program(WINE32 wine PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
find_program(QEMU_I386 qemu-i386-static REQUIRED)
# The host's own compiler: the fix is a Linux library, and needs no 32-bit development packages.
find_program(HOST_CC gcc REQUIRED)

set(I386_ROOT ${WINE_ROOT}/i386-root)
set(I386_MAP_FIX ${WINE_ROOT}/libmapfixednoreplace.so)
set(I386_MAP_FIX_SOURCE ${CMAKE_CURRENT_LIST_DIR}/MapFixedNoReplace.c)
add_custom_command(OUTPUT ${I386_MAP_FIX}
                   COMMAND ${HOST_CC} -m32 -shared -fPIC -nostdlib -O2 -Wall -Wextra -Werror
                           -o ${I386_MAP_FIX} ${I386_MAP_FIX_SOURCE}
                   DEPENDS ${I386_MAP_FIX_SOURCE}
                   VERBATIM)
add_custom_target(i386_map_fix ALL DEPENDS ${I386_MAP_FIX})
file(WRITE ${I386_ROOT}/etc/ld.so.preload "${I386_MAP_FIX}\n")

set(WINE_I386_HOST ${WINE_ROOT}/i386-host)
configure_file(${CMAKE_CURRENT_LIST_DIR}/i386-host.in ${WINE_I386_HOST} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                WORLD_EXECUTE)
