# Layering the compiler holds. Every library names the source folders whose headers it offers
# (echovane_headers), and gets an include root of its own under the build tree holding links to
# those headers and no others. A target sees the headers of its own folders and of the libraries
# it links, so an include of a layer it does not link does not compile. Folders do not reach
# into their subfolders: firmware/ offers firmware/*.h, not firmware/ble/*.h.
#
# Where the file system cannot link (Windows without the right to make symbolic links) every
# target sees the whole source tree instead, as before, and the layering is only checked where
# links work (CI).
set(ECHOVANE_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/include)
# Made anew on every configure, so a header that was renamed or removed leaves no link behind.
file(REMOVE_RECURSE ${ECHOVANE_INCLUDE_ROOT})
set_property(GLOBAL PROPERTY ECHOVANE_LAYERING_OFF OFF)

# echovane_headers(TARGET FOLDER...): FOLDER is relative to the source tree ("device",
# "firmware/ble"), and is included as "FOLDER/name.h".
function(echovane_headers target)
    set(root ${ECHOVANE_INCLUDE_ROOT}/${target})
    foreach(folder IN LISTS ARGN)
        set(source ${CMAKE_SOURCE_DIR}/${folder})
        if(NOT IS_DIRECTORY ${source})
            message(FATAL_ERROR "echovane_headers(${target}): there is no folder ${folder}")
        endif()
        file(GLOB headers CONFIGURE_DEPENDS ${source}/*.h)
        file(MAKE_DIRECTORY ${root}/${folder})
        foreach(header IN LISTS headers)
            get_property(off GLOBAL PROPERTY ECHOVANE_LAYERING_OFF)
            if(off)
                break()
            endif()
            get_filename_component(name ${header} NAME)
            file(CREATE_LINK ${header} ${root}/${folder}/${name} RESULT linked SYMBOLIC)
            if(NOT linked EQUAL 0)
                message(WARNING "Cannot link headers into the build tree (${linked}); every "
                                "target sees the whole source tree, layering is not enforced.")
                set_property(GLOBAL PROPERTY ECHOVANE_LAYERING_OFF ON)
            endif()
        endforeach()
    endforeach()
    get_property(off GLOBAL PROPERTY ECHOVANE_LAYERING_OFF)
    if(off)
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
