# add_mex_function(<name> SOURCES <source>...)
#
# Builds the MEX file <name>: a module linking the kinematics library, the
# host interface layer (entry points included) and the host's libmex and
# libMatlabDataArray, written to ${CMAKE_BINARY_DIR}/mex/<name>.<mex suffix>.
# It exports exactly the five entry points, carries no dependency on the
# C++ runtime (no GLIBCXX or CXXABI versions) and leaves no symbol
# unresolved. On Linux it needs no glibc version above
# ARMKIN_MEX_GLIBC_CEILING (ArmkinGlibcFloor.cmake, checked after each link):
# the static runtime's parts that read newer glibc symbols, such as the guard
# of function-local statics, must stay out of it (see
# matlab/data/detail/function_ptr.hpp). When armkin_mex_manifest is
# available the manifest is embedded.
include_guard(GLOBAL)

set(ARMKIN_MEX_VERSION_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/../mex.version"
    CACHE INTERNAL "The export list of every MEX file")
set(ARMKIN_MEX_CHECK "${CMAKE_CURRENT_LIST_DIR}/../check-mex-file"
    CACHE INTERNAL "The check of every linked Linux MEX file")

function(add_mex_function name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES")
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "add_mex_function(${name}): no SOURCES")
  endif()

  add_library(${name} MODULE ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE armkin::kinematics matlab_host_interface)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/mex"
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/mex"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  armkin_warnings(${name})
  armkin_exact_float_module(${name})

  if(WIN32)
    # Windows: <name>.mexw64, linked against import libraries of our own for
    # libmex.dll and libMatlabDataArray.dll, exporting exactly the entry
    # points of mex_exports.def, with the C++ runtime, libgcc and winpthread
    # linked in (-static): a user needs none of MinGW-w64's DLLs.
    include(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../windows/WindowsImports.cmake)
    set_target_properties(${name} PROPERTIES SUFFIX ".mexw64")
    target_sources(${name} PRIVATE ${ARMKIN_MEX_EXPORTS_DEF})
    target_link_libraries(${name} PRIVATE armkin::libmex_imports armkin::data_array_imports)
    target_link_options(${name} PRIVATE -static "LINKER:--no-undefined")
  else()
    target_link_libraries(${name} PRIVATE mex MatlabDataArray)
    set_target_properties(${name} PROPERTIES SUFFIX ".mexa64")
    target_link_options(${name} PRIVATE
      "LINKER:--version-script=${ARMKIN_MEX_VERSION_SCRIPT}"
      "LINKER:--no-undefined")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS "${ARMKIN_MEX_VERSION_SCRIPT}")
    # The host brings its own, older C++ runtime: carry ours inside. The
    # unwinder stays the process's libgcc_s (GCC_3.0..GCC_4.2.0 symbols
    # only): with a private static copy, an exception thrown by the host
    # through the MEX file's frames (libmex failing to make the function
    # handle) would abort the process instead of being reported. The
    # sanitizer builds keep the shared runtime, which their interceptors
    # rely on.
    if(NOT ARMKIN_SANITIZE)
      target_link_options(${name} PRIVATE -static-libstdc++)
      # Every link of an optimised build is checked: the five exports, no
      # C++ runtime needed, no glibc version above the ceiling. A file that
      # fails is removed, so the next build cannot take it for up to date.
      # An unoptimised build calls the runtime's std::string out of line,
      # which drags in parts that need glibc 2.36: it is not for shipping.
      if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
        include(ArmkinGlibcFloor)
        add_custom_command(TARGET ${name} POST_BUILD
          COMMAND sh -c "sh \"$0\" \"$1\" \"$2\" >/dev/null || { rm -f \"$2\"; exit 1; }"
                  ${ARMKIN_MEX_CHECK} ${ARMKIN_MEX_GLIBC_CEILING} $<TARGET_FILE:${name}>
          VERBATIM)
      else()
        message(STATUS "${name}: an unoptimised build, not checked against the glibc ceiling")
      endif()
    endif()
  endif()

  if(COMMAND armkin_mex_manifest)
    armkin_mex_manifest(${name})
  endif()
endfunction()
