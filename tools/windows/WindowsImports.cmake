# Windows (MinGW-w64) link inputs of our own, made from the .def files beside
# this file:
#
#   armkin::ucrt_math           import library: sin and cos of the Universal
#                               CRT as armkin_ucrt_sin / armkin_ucrt_cos
#   armkin::libmex_imports      import library for libmex.dll:
#                               mexGetFunctionImpl, mexDestroyFunctionImpl
#   armkin::data_array_imports  import library for libMatlabDataArray.dll:
#                               get_function_ptr
#   ARMKIN_MEX_EXPORTS_DEF      the export list of every .mexw64
#
#   armkin_use_ucrt_trig(<target>)  links the Universal CRT's sine and cosine
#                                   into <target> and its users; with
#                                   MinGW-w64 the kinematics' trig header
#                                   calls them (see ucrt_math.def)
#
# A deliverable links the two host import libraries instead of the stand-in
# host's own DLLs, so it binds to exactly the names a real host provides.
include_guard(GLOBAL)

set(ARMKIN_WINDOWS_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")
set(ARMKIN_MEX_EXPORTS_DEF ${CMAKE_CURRENT_LIST_DIR}/mex_exports.def
    CACHE INTERNAL "The export list of every .mexw64")

if(NOT CMAKE_DLLTOOL)
  find_program(CMAKE_DLLTOOL NAMES ${CMAKE_C_LIBRARY_ARCHITECTURE}-dlltool dlltool REQUIRED)
endif()

# _armkin_import_library(<name> <def file>): import library lib<name>.a built
# from the .def file, as the imported target armkin::<name>.
function(_armkin_import_library name def)
  set(dir ${CMAKE_BINARY_DIR}/implib)
  set(lib ${dir}/lib${name}.a)
  add_custom_command(
    OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-lib ${lib}
    DEPENDS ${def}
    COMMENT "Import library lib${name}.a"
    VERBATIM)
  add_custom_target(armkin_${name}_implib DEPENDS ${lib})
  add_library(armkin::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(armkin::${name} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(armkin::${name} armkin_${name}_implib)
endfunction()

_armkin_import_library(ucrt_math ${ARMKIN_WINDOWS_DIR}/ucrt_math.def)
_armkin_import_library(libmex_imports ${ARMKIN_WINDOWS_DIR}/libmex.def)
_armkin_import_library(data_array_imports ${ARMKIN_WINDOWS_DIR}/libMatlabDataArray.def)

function(armkin_use_ucrt_trig target)
  target_link_libraries(${target} PRIVATE armkin::ucrt_math)
endfunction()
