# echovane_embed_file(ARRAY SIZE FILE): sets ARRAY to the bytes of FILE as a C array initialiser
# ("0x40,0x32,... 0", NUL-terminated) and SIZE to its byte count; a change of FILE reconfigures.
function(echovane_embed_file array size file)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(SIZE ${file} _size)
    file(READ ${file} _hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _hex "${_hex}")
    set(${array} "${_hex} 0" PARENT_SCOPE)
    set(${size} ${_size} PARENT_SCOPE)
endfunction()
