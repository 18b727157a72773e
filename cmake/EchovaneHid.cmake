# The hidapi link seam. Cores call hid_* exactly as on a real keypad and link `echovane_hid`;
# what stands behind it is chosen by the executable: the real hidapi (hidraw backend, so the
# kernel keyboard driver stays attached) or, for tests and the demo, the simulated bus in
# emulator/. An executable opts into the simulator with echovane_use_emulator().
find_package(PkgConfig REQUIRED)
pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET hidapi-hidraw)

add_library(echovane_hid_headers INTERFACE)
target_include_directories(echovane_hid_headers INTERFACE ${HIDAPI_INCLUDE_DIRS})
# Debian installs the header as <hidapi/hidapi.h>; pkg-config points inside that folder.
foreach(dir IN LISTS HIDAPI_INCLUDE_DIRS)
    get_filename_component(_parent ${dir} DIRECTORY)
    target_include_directories(echovane_hid_headers INTERFACE ${_parent})
endforeach()

# The hot-plug events (platform/HidHotplug.h) come with it: the system's beside the real hidapi,
# the virtual bus's with the simulator.
add_library(echovane_hid INTERFACE)
target_link_libraries(echovane_hid INTERFACE
    echovane_hid_headers
    "$<IF:$<BOOL:$<TARGET_PROPERTY:ECHOVANE_EMULATED>>,echovane_emulator,PkgConfig::HIDAPI>"
    "$<$<NOT:$<BOOL:$<TARGET_PROPERTY:ECHOVANE_EMULATED>>>:echovane_hotplug>")

function(echovane_use_emulator target)
    set_target_properties(${target} PROPERTIES ECHOVANE_EMULATED ON)
endfunction()
