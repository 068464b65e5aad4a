# Build-time settings of the installer. The defaults describe the local demo (loopback servers);
# the "release" preset shows where the maker's real values go.
set(ORB_API_BASE_URL "http://127.0.0.1:18080/api" CACHE STRING
    "Base URL of the product API; the device report goes to <base>/device/report")
set(ORB_PACKAGE_URL "http://127.0.0.1:18080/Orbelin.zip" CACHE STRING
    "Built-in package URL (plain HTTP), used when the server names none")
set(ORB_PUBLISHER_THUMBPRINT "0000000000000000000000000000000000000000" CACHE STRING
    "SHA-1 thumbprint (40 hex digits) of the publisher's code-signing certificate")
set(ORB_DOCS_HOST "127.0.0.1:18080" CACHE STRING
    "Host (and optional port) serving the user agreement and the privacy policy")
set(ORB_DOCS_SCHEME "http" CACHE STRING "Scheme of the agreement documents' addresses (http or https)")
set(ORB_MAKER "欧贝林" CACHE STRING "The maker, named as CompanyName in the installer's version resource")
set(ORB_VERSION "${PROJECT_VERSION}" CACHE STRING
    "The installer's file and product version, four numbers separated by dots")
set(ORB_MANIFEST_DLLS
    "OrbelinUI.dll;libcurl.dll;openh264.dll;avformat-60.dll;avcodec-60.dll;avutil-58.dll;swscale-7.dll;swresample-4.dll;avfilter-9.dll"
    CACHE STRING "The nine DLL names of manifest entries 3-11, in order, separated by ';'")
option(ORB_DEMO_PACKAGE "Build the signed demo package into ORB_DEPS_DIR/demo-<processor> (once) and pin its \
publisher's thumbprint instead of ORB_PUBLISHER_THUMBPRINT" OFF)

include(${CMAKE_CURRENT_LIST_DIR}/PublisherThumbprint.cmake)
set(ORB_THUMBPRINT_HEADER "${CMAKE_BINARY_DIR}/generated/OrbPublisherThumbprint.h")
if(ORB_DEMO_PACKAGE)
    if(NOT WIN32)
        message(FATAL_ERROR "ORB_DEMO_PACKAGE needs a Windows cross build (the demo and demo64 presets)")
    endif()
    # The test tooling builds the package the way the publisher would, with this build's compiler
    # and manifest DLL names. It is kept in the third-party cache and made once per processor, so
    # a demo installation in the demo prefix stays valid across clean builds; the header follows
    # whatever certificate the package holds.
    find_program(ORB_PYTHON3 python3 REQUIRED)
    set(ORB_DEMO_DIR "${ORB_DEPS_DIR}/demo-${CMAKE_SYSTEM_PROCESSOR}")
    string(REPLACE ";" "," _orb_demo_dlls "${ORB_MANIFEST_DLLS}")
    add_custom_command(
        OUTPUT "${ORB_DEMO_DIR}/stamp"
        COMMAND sh -c "[ -f \"$0/stamp\" ] || exec \"$@\" >/dev/null" "${ORB_DEMO_DIR}"
                "${ORB_PYTHON3}" "${CMAKE_SOURCE_DIR}/tools/testpkg/make_testpkg.py" --out "${ORB_DEMO_DIR}"
                --dlls "${_orb_demo_dlls}" --version "${ORB_VERSION}"
                --cc "${CMAKE_C_COMPILER}" --windres "${CMAKE_RC_COMPILER}"
        COMMENT "Building the signed demo package (once, into ${ORB_DEMO_DIR})"
        VERBATIM)
    add_custom_command(
        OUTPUT "${ORB_THUMBPRINT_HEADER}"
        COMMAND "${CMAKE_COMMAND}" "-DTHUMBPRINT_FILE=${ORB_DEMO_DIR}/certs/publisher.thumbprint"
                "-DOUT=${ORB_THUMBPRINT_HEADER}" -P "${CMAKE_CURRENT_LIST_DIR}/PublisherThumbprint.cmake"
        DEPENDS "${ORB_DEMO_DIR}/stamp" "${CMAKE_CURRENT_LIST_DIR}/PublisherThumbprint.cmake"
                "${CMAKE_CURRENT_LIST_DIR}/OrbPublisherThumbprint.h.in"
        COMMENT "Pinning the demo publisher's thumbprint"
        VERBATIM)
    add_custom_target(orb_publisher_thumbprint DEPENDS "${ORB_THUMBPRINT_HEADER}")
else()
    orb_write_publisher_thumbprint("${ORB_PUBLISHER_THUMBPRINT}" "${ORB_THUMBPRINT_HEADER}")
endif()


list(LENGTH ORB_MANIFEST_DLLS _orb_dll_count)
if(NOT _orb_dll_count EQUAL 9)
    message(FATAL_ERROR "ORB_MANIFEST_DLLS must name exactly nine DLLs, not ${_orb_dll_count}")
endif()
set(ORB_MANIFEST_DLLS_INIT "")
foreach(_dll IN LISTS ORB_MANIFEST_DLLS)
    if(_dll MATCHES "[\\\\/:\"]" OR _dll STREQUAL "")
        message(FATAL_ERROR "ORB_MANIFEST_DLLS: '${_dll}' must be a plain file name")
    endif()
    string(APPEND ORB_MANIFEST_DLLS_INIT "L\"${_dll}\", ")
endforeach()

foreach(_url ORB_API_BASE_URL ORB_PACKAGE_URL)
    if(NOT ${_url} MATCHES "^https?://[^\"]+$")
        message(FATAL_ERROR "${_url} must be an http:// or https:// URL")
    endif()
endforeach()

if(NOT ORB_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "ORB_VERSION must be four numbers separated by dots, not '${ORB_VERSION}'")
endif()
set(ORB_VERSION_COMMAS "")
foreach(_part ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
    if(_part GREATER 65535)
        message(FATAL_ERROR "ORB_VERSION: each number must be at most 65535, not ${_part}")
    endif()
    string(APPEND ORB_VERSION_COMMAS ",${_part}")
endforeach()
string(SUBSTRING "${ORB_VERSION_COMMAS}" 1 -1 ORB_VERSION_COMMAS)
if(ORB_MAKER STREQUAL "" OR ORB_MAKER MATCHES "[\"\\]")
    message(FATAL_ERROR "ORB_MAKER must be a plain non-empty name")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/OrbBuildSettings.h.in ${CMAKE_BINARY_DIR}/generated/OrbBuildSettings.h @ONLY)
