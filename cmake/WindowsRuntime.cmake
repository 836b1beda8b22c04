# What a Windows program linked against the Qt kit needs beside it to start:
# the MinGW runtime DLLs that Qt's DLLs use, and the kit's own DLLs and
# plugins. The tests run under Wine with these folders on WINEPATH; the
# package copies the files beside keelson.exe.
set(KEELSON_WINDOWS_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(found "${found}" REALPATH)
    if(NOT EXISTS "${found}")
        message(FATAL_ERROR "${dll} of the MinGW runtime not found")
    endif()
    list(APPEND KEELSON_WINDOWS_RUNTIME_DLLS "${found}")
endforeach()

# The kit's prefix, from the Qt6 package found.
get_filename_component(KEELSON_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)

# Z:\path\to\folder, as Wine names a folder of this machine.
function(keelson_wine_path out path)
    string(REPLACE "/" "\\" windows "Z:${path}")
    set(${out} "${windows}" PARENT_SCOPE)
endfunction()

set(folders "${KEELSON_QT_PREFIX}/bin")
foreach(dll IN LISTS KEELSON_WINDOWS_RUNTIME_DLLS)
    get_filename_component(folder "${dll}" DIRECTORY)
    list(APPEND folders "${folder}")
endforeach()
list(REMOVE_DUPLICATES folders)
set(KEELSON_WINEPATH "")
foreach(folder IN LISTS folders)
    keelson_wine_path(windows "${folder}")
    list(APPEND KEELSON_WINEPATH "${windows}")
endforeach()
# Wine splits WINEPATH at ";", which CMake's ENVIRONMENT property would take
# for its own separator.
string(REPLACE ";" "\\;" KEELSON_WINEPATH "${KEELSON_WINEPATH}")
