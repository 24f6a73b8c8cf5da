# Writes a package's product code as a definition that the package's source includes:
#   cmake -DUPGRADE_CODE=<upgrade code, no braces> -DVERSION=<version> -DCONTENT=<file or folder>,...
#         -DOUTPUT=<ProductCode.wxi> -P ProductCode.cmake
# The product code is a name-based UUID, in the upgrade code's namespace, of the version and of the content of
# what the package is made of (the files it carries and its sources). Any build that differs in anything, its
# signatures included, is a product of its own and so a major upgrade of any other; two builds of one commit
# agree.
set(content "${VERSION}")
string(REPLACE "," ";" roots "${CONTENT}")
foreach(root ${roots})
    if(IS_DIRECTORY ${root})
        file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
        list(SORT files)
    else()
        get_filename_component(files ${root} NAME)
        get_filename_component(root ${root} DIRECTORY)
    endif()
    foreach(file ${files})
        file(SHA256 ${root}/${file} hash)
        string(APPEND content "\n${file} ${hash}")
    endforeach()
endforeach()
string(UUID product_code NAMESPACE ${UPGRADE_CODE} NAME "${content}" TYPE SHA1 UPPER)
file(WRITE ${OUTPUT} "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<Include>\n  <?define ProductCode = \"{${product_code}}\" ?>\n</Include>\n")
