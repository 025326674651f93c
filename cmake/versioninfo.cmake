# The version block lives in res/versioninfo.json, as data only. This module reads it (before
# project(), which takes its version from here) and sets:
#   TARN_VERSION        the product version, "1.0.0.1": the project's, the package's, and what
#                       QCoreApplication::applicationVersion and tarnctl --version show
#   TARN_PRODUCT_LINE   "Mirelda PTZ Control": the About box's line, the desktop entry's Comment
#   TARN_COPYRIGHT      the LegalCopyright string, also the About box's copyright line
#   TARN_VI_*           the C++ fragments that res/versioninfo.h.in is filled with
# res/CMakeLists.txt fills its templates with them (configure_file @ONLY): versioninfo.h and
# tarn.desktop. Editing the JSON file re-runs CMake.
# TARN_VERSION_JSON may name another file (the tests check what a bad block does).
if(NOT DEFINED TARN_VERSION_JSON)
    set(TARN_VERSION_JSON ${CMAKE_CURRENT_LIST_DIR}/../res/versioninfo.json)
endif()
cmake_path(NORMAL_PATH TARN_VERSION_JSON)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TARN_VERSION_JSON})
file(READ ${TARN_VERSION_JSON} _tarn_vi_json)

function(_tarn_vi_fail message)
    message(FATAL_ERROR "${TARN_VERSION_JSON}: ${message}")
endfunction()

function(_tarn_vi_get out)
    string(JSON value ERROR_VARIABLE error GET "${_tarn_vi_json}" ${ARGN})
    if(error)
        _tarn_vi_fail("${error}")
    endif()
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

# A C++ string literal for text: backslashes and quotes escaped.
function(_tarn_vi_literal out text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# A four-part version number: "1.0.0.1" in <out>_DOTTED, "1, 0, 0, 1" in <out>_COMMAS (the
# string block's form) and "{1, 0, 0, 1}" in <out>_CPP.
function(_tarn_vi_number out member)
    string(JSON count ERROR_VARIABLE error LENGTH "${_tarn_vi_json}" ${member})
    if(error OR NOT count EQUAL 4)
        _tarn_vi_fail("${member} must be a list of four numbers")
    endif()
    set(parts "")
    foreach(i RANGE 3)
        _tarn_vi_get(part ${member} ${i})
        if(NOT part MATCHES "^[0-9]+$" OR part GREATER 65535)
            _tarn_vi_fail("${member}[${i}] is '${part}', not a number from 0 to 65535")
        endif()
        list(APPEND parts ${part})
    endforeach()
    list(JOIN parts "." dotted)
    list(JOIN parts ", " commas)
    set(${out}_DOTTED "${dotted}" PARENT_SCOPE)
    set(${out}_COMMAS "${commas}" PARENT_SCOPE)
    set(${out}_CPP "{${commas}}" PARENT_SCOPE)
endfunction()

function(_tarn_vi_hex out member)
    _tarn_vi_get(value ${ARGN} ${member})
    if(NOT value MATCHES "^0x[0-9A-Fa-f]+$")
        _tarn_vi_fail("${member} is '${value}', not a hexadecimal number such as 0x3F")
    endif()
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

_tarn_vi_number(_tarn_vi_file fileVersion)
_tarn_vi_number(_tarn_vi_product productVersion)
set(TARN_VERSION "${_tarn_vi_product_DOTTED}")
_tarn_vi_get(TARN_PRODUCT_LINE productLine)

_tarn_vi_get(TARN_VI_RESOURCE_ID resourceId)
_tarn_vi_get(TARN_VI_LANGUAGE language)
set(TARN_VI_FILE_VERSION "${_tarn_vi_file_CPP}")
set(TARN_VI_PRODUCT_VERSION "${_tarn_vi_product_CPP}")
_tarn_vi_hex(TARN_VI_FILE_FLAGS_MASK fileFlagsMask)
_tarn_vi_hex(TARN_VI_FILE_FLAGS fileFlags)
_tarn_vi_hex(TARN_VI_FILE_OS fileOs)
_tarn_vi_hex(TARN_VI_FILE_TYPE fileType)
_tarn_vi_hex(TARN_VI_FILE_SUBTYPE fileSubtype)
_tarn_vi_hex(TARN_VI_FILE_DATE fileDate)
_tarn_vi_hex(TARN_VI_TRANSLATION_LANGUAGE language translation)
_tarn_vi_hex(TARN_VI_TRANSLATION_CODE_PAGE codePage translation)
_tarn_vi_get(_tarn_vi_block stringBlock)
_tarn_vi_literal(TARN_VI_STRING_BLOCK "${_tarn_vi_block}")
_tarn_vi_literal(TARN_VI_PRODUCT_LINE "${TARN_PRODUCT_LINE}")

# The string block, in its order. The version strings must say what the numbers say.
string(JSON _tarn_vi_count ERROR_VARIABLE _tarn_vi_error LENGTH "${_tarn_vi_json}" strings)
if(_tarn_vi_error OR _tarn_vi_count LESS 1)
    _tarn_vi_fail("strings must be a list of [key, value] pairs")
endif()
math(EXPR _tarn_vi_last "${_tarn_vi_count} - 1")
set(TARN_VI_STRING_COUNT ${_tarn_vi_count})
set(TARN_VI_STRINGS "")
unset(TARN_COPYRIGHT)
foreach(i RANGE ${_tarn_vi_last})
    _tarn_vi_get(_tarn_vi_key strings ${i} 0)
    _tarn_vi_get(_tarn_vi_value strings ${i} 1)
    if(_tarn_vi_key STREQUAL "FileVersion" AND NOT _tarn_vi_value STREQUAL _tarn_vi_file_COMMAS)
        _tarn_vi_fail("FileVersion is '${_tarn_vi_value}' but fileVersion says '${_tarn_vi_file_COMMAS}'")
    endif()
    if(_tarn_vi_key STREQUAL "ProductVersion" AND
       NOT _tarn_vi_value STREQUAL _tarn_vi_product_COMMAS)
        _tarn_vi_fail("ProductVersion is '${_tarn_vi_value}' but productVersion says '${_tarn_vi_product_COMMAS}'")
    endif()
    if(_tarn_vi_key STREQUAL "LegalCopyright")
        set(TARN_COPYRIGHT "${_tarn_vi_value}")
    endif()
    _tarn_vi_literal(_tarn_vi_key_cpp "${_tarn_vi_key}")
    _tarn_vi_literal(_tarn_vi_value_cpp "${_tarn_vi_value}")
    string(APPEND TARN_VI_STRINGS "        {${_tarn_vi_key_cpp}, ${_tarn_vi_value_cpp}},\n")
endforeach()
if(NOT DEFINED TARN_COPYRIGHT OR TARN_COPYRIGHT STREQUAL "")
    _tarn_vi_fail("the string block needs a LegalCopyright")
endif()
_tarn_vi_literal(TARN_VI_COPYRIGHT "${TARN_COPYRIGHT}")
