# Voltwise.dll for 32-bit hosts: this source tree configured once more, with the i686 toolchain and only the
# component and its tests, in build/x86. Every build of this tree builds it too, so both bitnesses always come
# from the same sources and the same build rules (component/CMakeLists.txt), with the same time stamp and
# signing certificate. Its tests join this tree's ctest run under names that begin with "x86-".
include(ExternalProject)

set(X86_BINARY_DIR ${CMAKE_BINARY_DIR}/x86)
# The 32-bit DLL, which the package carries beside the 64-bit one.
set(VOLTWISE_X86_DLL ${X86_BINARY_DIR}/component/Voltwise.dll)
if(BUILD_TESTING)
    # The side-by-side tests register this build's DLL too, from this build's 64-bit program. The tests' prefixes
    # are copies of this build's prefix template (cmake/WineTests.cmake).
    set(X86_TEST_ARGS -DVOLTWISE_X64_DLL=$<TARGET_FILE:Voltwise>
                      -DSIDE_BY_SIDE_TESTS=$<TARGET_FILE:side_by_side_tests>
                      -DWINE_TEMPLATE=${CMAKE_BINARY_DIR}/wine/template)
else()
    set(X86_TEST_ARGS -DBUILD_TESTING=OFF)
endif()
ExternalProject_Add(x86
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${X86_BINARY_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-mingw-w64-i686.cmake
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
               -DTELLMARK_COMPONENT_ONLY=ON
               -DTELLMARK_SOURCE_DATE_EPOCH=${TELLMARK_SOURCE_DATE_EPOCH}
               -DTELLMARK_SIGNING_CERTIFICATE=${TELLMARK_SIGNING_CERTIFICATE}
               -DTELLMARK_TIMESTAMP_URL=${TELLMARK_TIMESTAMP_URL}
               ${X86_TEST_ARGS}
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${VOLTWISE_X86_DLL}
    INSTALL_COMMAND "")

if(BUILD_TESTING)
    set(X86_TEST_INCLUDE ${CMAKE_BINARY_DIR}/x86-tests.cmake)
    file(WRITE ${X86_TEST_INCLUDE} "subdirs(\"${X86_BINARY_DIR}\")\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${X86_TEST_INCLUDE})
endif()
