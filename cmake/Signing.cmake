# Authenticode signing of what the product ships, when a code-signing certificate is configured:
#   TELLMARK_SIGNING_CERTIFICATE  PKCS#12 file with the certificate, its chain and its private key
#   TELLMARK_TIMESTAMP_URL        optional RFC 3161 timestamp server: signatures then outlive the certificate
# Each is a cache variable that defaults to the environment variable of the same name. The certificate's
# password is read at build time from the environment variable TELLMARK_SIGNING_PASSWORD, so that it stays
# out of the cache, off every command line and out of the build log.
set(TELLMARK_SIGNING_CERTIFICATE "$ENV{TELLMARK_SIGNING_CERTIFICATE}" CACHE FILEPATH
    "PKCS#12 file to sign the deliverables and the package with; empty: unsigned files")
set(TELLMARK_TIMESTAMP_URL "$ENV{TELLMARK_TIMESTAMP_URL}" CACHE STRING
    "Timestamp server for the signatures; empty: no timestamp")

if(TELLMARK_SIGNING_CERTIFICATE)
    if(NOT EXISTS ${TELLMARK_SIGNING_CERTIFICATE})
        message(FATAL_ERROR "No signing certificate ${TELLMARK_SIGNING_CERTIFICATE}")
    endif()
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
    find_program(OPENSSL openssl REQUIRED)
    if(NOT TELLMARK_COMPONENT_ONLY)
        message(STATUS "Signing with ${TELLMARK_SIGNING_CERTIFICATE}")
    endif()
elseif(NOT TELLMARK_COMPONENT_ONLY)
    message(STATUS "No TELLMARK_SIGNING_CERTIFICATE: the build makes unsigned files")
endif()

# signing_command(<variable> <file>): the custom command's COMMAND that signs the file in place, or nothing
# without a certificate. The signing time is the build's time stamp, so that one key signs one commit's files
# to the same bytes. A certificate that cannot sign code, or that the password does not open, stops the build
# there (sign-file.sh).
function(signing_command variable file)
    set(command)
    if(TELLMARK_SIGNING_CERTIFICATE)
        set(command COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/sign-file.sh ${file} ${OSSLSIGNCODE} ${OPENSSL}
                    ${TELLMARK_SIGNING_CERTIFICATE} ${TELLMARK_SOURCE_DATE_EPOCH} ${TELLMARK_TIMESTAMP_URL})
    endif()
    set(${variable} ${command} PARENT_SCOPE)
endfunction()

# sign_after_link(<target>): signs the target's file right after each link, so that whatever copies or packs
# it gets the signed file, and it is signed once per link, not on every build.
function(sign_after_link target)
    signing_command(command $<TARGET_FILE:${target}>)
    if(command)
        add_custom_command(TARGET ${target} POST_BUILD ${command} VERBATIM)
        # A new certificate in the same file signs anew.
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TELLMARK_SIGNING_CERTIFICATE})
    endif()
endfunction()
