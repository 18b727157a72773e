# The hidapi link seam. Cores call hid_* exactly as on a real keypad and link `echovane_hid`;
# what stands behind it is chosen by the executable: the real hidapi or, for tests and the demo,
# the simulated bus in emulator/. An executable opts into the simulator with
# echovane_use_emulator().
#
# The real hidapi: on Linux its hidraw backend (so the kernel keyboard driver stays attached),
# through pkg-config; on Windows the hidapi project's own CMake package and its Windows backend
# (hidapi::hidapi, e.g. from vcpkg). A build of the cores alone for Windows
# (ECHOVANE_CORES_ONLY) needs no hidapi library, only its header: every executable it makes
# runs on the simulated bus.
add_library(echovane_hid_headers INTERFACE)

if(WIN32)
    find_package(hidapi CONFIG QUIET)
    if(TARGET hidapi::hidapi)
        set(_echovane_real_hid hidapi::hidapi)
        # Its target offers the header's own folder; the folder above it is found here.
        find_path(ECHOVANE_HIDAPI_INCLUDE_DIR hidapi/hidapi.h REQUIRED)
        set(_hid_dirs ${ECHOVANE_HIDAPI_INCLUDE_DIR}/hidapi)
    elseif(ECHOVANE_CORES_ONLY)
        # hidapi.h is plain C and the same for every platform: the host's copy serves, put
        # alone into a folder of the build tree so no other host header is seen.
        find_file(ECHOVANE_HIDAPI_HEADER hidapi/hidapi.h
                  PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH
                  DOC "hidapi.h of any platform, for the simulated bus (Debian: libhidapi-dev)")
        if(NOT ECHOVANE_HIDAPI_HEADER)
            message(FATAL_ERROR "No hidapi/hidapi.h: install libhidapi-dev, or set "
                                "ECHOVANE_HIDAPI_HEADER to one")
        endif()
        configure_file(${ECHOVANE_HIDAPI_HEADER}
                       ${CMAKE_BINARY_DIR}/hidapi-header/hidapi/hidapi.h COPYONLY)
        set(_hid_dirs ${CMAKE_BINARY_DIR}/hidapi-header/hidapi)
        set(_echovane_real_hid "")
    else()
        message(FATAL_ERROR "No hidapi for Windows: install the hidapi project's package "
                            "(vcpkg install hidapi) and point CMAKE_PREFIX_PATH at it")
    endif()
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET hidapi-hidraw)
    set(_echovane_real_hid PkgConfig::HIDAPI)
    set(_hid_dirs ${HIDAPI_INCLUDE_DIRS})
endif()

target_include_directories(echovane_hid_headers INTERFACE ${_hid_dirs})
# The header is included as <hidapi/hidapi.h>; the packages point inside that folder.
foreach(dir IN LISTS _hid_dirs)
    get_filename_component(_parent ${dir} DIRECTORY)
    target_include_directories(echovane_hid_headers INTERFACE ${_parent})
endforeach()

# The hot-plug events (platform/HidHotplug.h) come with it: the system's beside the real hidapi,
# the virtual bus's with the simulator.
add_library(echovane_hid INTERFACE)
target_link_libraries(echovane_hid INTERFACE
    echovane_hid_headers
    "$<IF:$<BOOL:$<TARGET_PROPERTY:ECHOVANE_EMULATED>>,echovane_emulator,${_echovane_real_hid}>"
    "$<$<NOT:$<BOOL:$<TARGET_PROPERTY:ECHOVANE_EMULATED>>>:echovane_hotplug>")

function(echovane_use_emulator target)
    set_target_properties(${target} PROPERTIES ECHOVANE_EMULATED ON)
endfunction()
