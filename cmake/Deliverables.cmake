# Code that goes into TellmarkSvc.exe or Voltwise.dll is built without the C++ runtime's exception and
# type-information machinery, so that the binaries carry their own code and not the runtime's; tests may use
# anything. -O2 rather than the release build's -O3: code that spends its time in system calls gains nothing from
# -O3's inlining and unrolling but bytes. deliverable_code(<target>...) applies to libraries the deliverables link.
function(deliverable_code)
    foreach(target ${ARGN})
        target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -O2)
    endforeach()
endfunction()

# deliverable_binary(<target>): a deliverable itself; it also gets the runtime hooks written for them.
function(deliverable_binary target)
    deliverable_code(${target})
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/platform/RuntimeSupport.cpp)
endfunction()
