# Mends in a package built by wixl what wixl writes wrongly or cannot express, then moves it into place:
#   cmake -DMSIINFO=<msiinfo> -DMSIBUILD=<msibuild> -DPACKAGE=<wixl's output>
#         -DFILE_VERSIONS=<file id>=<version>,... -DOUTPUT=<package> -P FinishPackage.cmake
# - File versions and languages: wixl leaves them empty (it reads no version resources). A versioned file
#   has no MsiFileHash row: Windows Installer compares versions, and a hash of such a file is an error.
# - Registry rows for HKMU: wixl writes the root as 4, which msiexec silently skips; HKMU is -1.
# - Actions named Rollback...: wixl writes them as plain deferred actions; the rollback flag makes them run
#   only when the installation fails and is rolled back.
# - The feature cannot be advertised: nothing of it works before its files and registration are in place.
# - The per-user folder for 32-bit files is the component's own only per user: per machine the same
#   directory is Program Files (x86), which the product neither owns nor removes.
set(HKMU_AS_WIXL_WRITES_IT 4)
set(HKMU -1)
set(ROLLBACK_FLAG 0x100) # msidbCustomActionTypeRollback
set(DISALLOW_ADVERTISE 8) # msidbFeatureAttributesDisallowAdvertise
set(US_ENGLISH 1033)      # the language of every file's version resource

set(queries -q "UPDATE `Registry` SET `Root` = ${HKMU} WHERE `Root` = ${HKMU_AS_WIXL_WRITES_IT}"
            -q "UPDATE `Feature` SET `Attributes` = ${DISALLOW_ADVERTISE}"
            -q "UPDATE `Component` SET `Condition` = 'NOT ALLUSERS' WHERE `Component` = 'PerUserX86Folder'")

string(REPLACE "," ";" file_versions "${FILE_VERSIONS}")
foreach(file_version ${file_versions})
    string(REGEX MATCH "^([^=]+)=(.+)$" unused "${file_version}")
    list(APPEND queries
         -q "UPDATE `File` SET `Version` = '${CMAKE_MATCH_2}', `Language` = '${US_ENGLISH}' WHERE `File` = '${CMAKE_MATCH_1}'"
         -q "DELETE FROM `MsiFileHash` WHERE `File_` = '${CMAKE_MATCH_1}'")
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
