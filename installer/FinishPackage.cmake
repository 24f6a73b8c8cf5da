# Mends in a package built by wixl what wixl writes wrongly or cannot express, then moves it into place:
#   cmake -DMSIINFO=<msiinfo> -DMSIBUILD=<msibuild> -DPACKAGE=<wixl's output>
#         -DFILE_VERSIONS=<file id>=<version>,... -DOUTPUT=<package> -P FinishPackage.cmake
# - File versions: wixl leaves them empty (it reads no version resources).
# - Registry rows for HKMU: wixl writes the root as 4, which msiexec silently skips; HKMU is -1.
# - Actions named Rollback...: wixl writes them as plain deferred actions; the rollback flag makes them run
#   only when the installation fails and is rolled back.
set(HKMU_AS_WIXL_WRITES_IT 4)
set(HKMU -1)
set(ROLLBACK_FLAG 0x100) # msidbCustomActionTypeRollback

set(queries -q "UPDATE `Registry` SET `Root` = ${HKMU} WHERE `Root` = ${HKMU_AS_WIXL_WRITES_IT}")

string(REPLACE "," ";" file_versions "${FILE_VERSIONS}")
foreach(file_version ${file_versions})
    string(REGEX MATCH "^([^=]+)=(.+)$" unused "${file_version}")
    list(APPEND queries
         -q "UPDATE `File` SET `Version` = '${CMAKE_MATCH_2}' WHERE `File` = '${CMAKE_MATCH_1}'")
endforeach()

execute_process(COMMAND ${MSIINFO} export ${PACKAGE} CustomAction
                OUTPUT_VARIABLE actions COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "\nRollback[^\t\n]*\t[0-9]+" rollback_rows "${actions}")
foreach(row ${rollback_rows})
    string(REGEX MATCH "^\n([^\t]+)\t([0-9]+)$" unused "${row}")
    math(EXPR type "${CMAKE_MATCH_2} | ${ROLLBACK_FLAG}")
    list(APPEND queries -q "UPDATE `CustomAction` SET `Type` = ${type} WHERE `Action` = '${CMAKE_MATCH_1}'")
endforeach()

execute_process(COMMAND ${MSIBUILD} ${PACKAGE} ${queries} COMMAND_ERROR_IS_FATAL ANY)
file(RENAME ${PACKAGE} ${OUTPUT})
