# copy_beside(<program> <target>...): copies of the targets' files in the program's folder, refreshed
# whenever a target is rebuilt, so that a test or benchmark never runs an old build of a deliverable.
function(copy_beside program)
    get_target_property(folder ${program} BINARY_DIR)
    set(copies)
    foreach(target ${ARGN})
        get_target_property(name ${target} OUTPUT_NAME)
        if(NOT name)
            set(name ${target})
        endif()
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "SHARED_LIBRARY")
            string(APPEND name .dll)
        else()
            string(APPEND name .exe)
        endif()
        add_custom_command(OUTPUT ${folder}/${name}
                           COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${folder}/${name}
                           DEPENDS ${target}
                           VERBATIM)
        list(APPEND copies ${folder}/${name})
    endforeach()
    add_custom_target(${program}-copies DEPENDS ${copies})
    add_dependencies(${program} ${program}-copies)
endfunction()
