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

if(NOT ORB_PUBLISHER_THUMBPRINT MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR "ORB_PUBLISHER_THUMBPRINT must be 40 hexadecimal digits")
endif()
string(LENGTH "${ORB_PUBLISHER_THUMBPRINT}" _orb_thumb_len)
if(NOT _orb_thumb_len EQUAL 40)
    message(FATAL_ERROR "ORB_PUBLISHER_THUMBPRINT must be 40 hexadecimal digits, not ${_orb_thumb_len}")
endif()
string(TOLOWER "${ORB_PUBLISHER_THUMBPRINT}" ORB_PUBLISHER_THUMBPRINT_LOWER)

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
