# Preprocesses one #include with a target's include path and checks whether the header is seen.
#   -DCOMPILER=... -DINCLUDES=dir|dir|... -DHEADER=app/Form1.h -DEXPECT=seen|unseen -DSCRATCH=dir
file(MAKE_DIRECTORY ${SCRATCH})
string(MAKE_C_IDENTIFIER "${HEADER}" _name)
set(_probe ${SCRATCH}/${_name}.cpp)
file(WRITE ${_probe} "#include \"${HEADER}\"\n")
string(REPLACE "|" ";" _dirs "${INCLUDES}")
set(_flags "")
foreach(dir IN LISTS _dirs)
    list(APPEND _flags "-I${dir}")
endforeach()
execute_process(COMMAND ${COMPILER} -std=c++20 -E -x c++ ${_probe} -o ${SCRATCH}/${_name}.i
                        ${_flags}
                RESULT_VARIABLE _result ERROR_VARIABLE _error OUTPUT_QUIET)
if(EXPECT STREQUAL "seen")
    if(NOT _result EQUAL 0)
        message(FATAL_ERROR "${HEADER} should be seen but does not preprocess:\n${_error}")
    endif()
elseif(_result EQUAL 0)
    message(FATAL_ERROR "${HEADER} is seen, but this target does not link its layer")
else()
    # The header itself must be the one missing (gcc, clang), not something it includes.
    string(FIND "${_error}" "${HEADER}: No such file" _gcc)
    string(FIND "${_error}" "'${HEADER}' file not found" _clang)
    if(_gcc EQUAL -1 AND _clang EQUAL -1)
        message(FATAL_ERROR "${HEADER} is seen, but this target does not link its layer:\n"
                            "${_error}")
    endif()
endif()
