# Code that goes into TellmarkSvc.exe or Voltwise.dll is built without the C++ runtime's exception and
# type-information machinery, so that the binaries carry their own code and not the runtime's; tests may use
# anything. -O2 rather than the release build's -O3: code that spends its time in system calls gains nothing from
# -O3's inlining and unrolling but bytes. deliverable_code(<target>...) applies to libraries the deliverables link.
# On 32-bit Windows the system unwinds by frames; the DWARF tables the compiler adds there serve only C++
# exceptions, which this code does not use.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(DELIVERABLE_UNWIND_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()
function(deliverable_code)
    foreach(target ${ARGN})
        target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -O2 ${DELIVERABLE_UNWIND_OPTIONS})
    endforeach()
endfunction()

# deliverable_binary(<target>): a deliverable itself; it also gets the runtime hooks written for them, and is
# signed when the build has a certificate (cmake/Signing.cmake).
function(deliverable_binary target)
    deliverable_code(${target})
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/platform/RuntimeSupport.cpp)
    sign_after_link(${target})
endfunction()
