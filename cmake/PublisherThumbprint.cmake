# The thumbprint of the publisher's code-signing certificate, the one fact of the build settings that
# can come from the build itself: a demo build signs its own demo package and pins that certificate.
#
# Included by BuildSettings.cmake for orb_write_publisher_thumbprint(); run as a script by the demo
# build once the demo package exists:
#   cmake -DTHUMBPRINT_FILE=<certs/publisher.thumbprint> -DOUT=<header> -P PublisherThumbprint.cmake

function(orb_write_publisher_thumbprint thumbprint out)
    if(NOT thumbprint MATCHES "^[0-9A-Fa-f]+$")
        message(FATAL_ERROR "ORB_PUBLISHER_THUMBPRINT must be 40 hexadecimal digits")
    endif()
    string(LENGTH "${thumbprint}" length)
    if(NOT length EQUAL 40)
        message(FATAL_ERROR "ORB_PUBLISHER_THUMBPRINT must be 40 hexadecimal digits, not ${length}")
    endif()
    string(TOLOWER "${thumbprint}" ORB_PUBLISHER_THUMBPRINT_LOWER)
    # Written only when it changes, so a rebuild of the same package recompiles nothing.
    configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/OrbPublisherThumbprint.h.in" "${out}" @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    file(READ "${THUMBPRINT_FILE}" thumbprint)
    string(STRIP "${thumbprint}" thumbprint)
    orb_write_publisher_thumbprint("${thumbprint}" "${OUT}")
endif()
