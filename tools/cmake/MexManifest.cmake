# armkin_mex_manifest(<target>)
#
# Embeds the manifest archive a MEX file carries: at build time the tool
# mexmanifest (tools/manifest) writes <target>_manifest.cpp into the current
# binary directory, defining the archive in initialised data under a hidden
# symbol that nothing refers to, and the source is compiled into <target>.
# Call it in the directory that creates the target, as add_mex_function does.
#
# Each run of the tool draws a new random bundle UUID, so every target has its
# own, and every build that writes the manifest gives it a new one: the first
# build of a build tree, every build after a clean, and every build after the
# tool itself changed. A build that finds the generated source up to date
# leaves it, so an incremental rebuild of a deliverable does not change its
# identity, and a tree that is already built stays up to date.
#
# The tool runs on the build machine. When cross-compiling, tools/manifest is
# built as a project of its own with the machine's native compiler, in
# ${CMAKE_BINARY_DIR}/native-tools/manifest (set ARMKIN_NATIVE_CXX_COMPILER to
# choose that compiler). SOURCE_DATE_EPOCH, when set in the build's
# environment, fixes the archive's time stamp.
include_guard(GLOBAL)

if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(ARMKIN_NATIVE_CXX_COMPILER "" CACHE FILEPATH
      "Native C++ compiler for the build tools of a cross build (empty: the machine's default)")
  set(_armkin_manifest_dir "${CMAKE_BINARY_DIR}/native-tools/manifest")
  set(_armkin_manifest_exe "${_armkin_manifest_dir}/mexmanifest")
  if(CMAKE_HOST_WIN32)
    string(APPEND _armkin_manifest_exe ".exe")
  endif()
  set(_armkin_manifest_args
      -DCMAKE_BUILD_TYPE=Release
      -DARMKIN_WARNINGS_AS_ERRORS=${ARMKIN_WARNINGS_AS_ERRORS})
  if(ARMKIN_NATIVE_CXX_COMPILER)
    list(APPEND _armkin_manifest_args -DCMAKE_CXX_COMPILER=${ARMKIN_NATIVE_CXX_COMPILER})
  endif()
  # No toolchain file is passed on: the project is configured for the build
  # machine. BUILD_ALWAYS lets a change to the tool's sources reach it; an
  # unchanged tool is a no-op build that leaves the executable untouched.
  ExternalProject_Add(armkin_native_mexmanifest
    SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/../manifest"
    BINARY_DIR "${_armkin_manifest_dir}"
    CMAKE_ARGS ${_armkin_manifest_args}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS "${_armkin_manifest_exe}")
  set_property(GLOBAL PROPERTY ARMKIN_MEXMANIFEST_EXECUTABLE "${_armkin_manifest_exe}")
  set_property(GLOBAL PROPERTY ARMKIN_MEXMANIFEST_DEPENDS armkin_native_mexmanifest "${_armkin_manifest_exe}")
else()
  # The executable target from tools/manifest of this build.
  set_property(GLOBAL PROPERTY ARMKIN_MEXMANIFEST_EXECUTABLE "$<TARGET_FILE:mexmanifest>")
  set_property(GLOBAL PROPERTY ARMKIN_MEXMANIFEST_DEPENDS mexmanifest)
endif()

function(armkin_mex_manifest target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "armkin_mex_manifest: no target named ${target}")
  endif()
  get_property(tool GLOBAL PROPERTY ARMKIN_MEXMANIFEST_EXECUTABLE)
  get_property(tool_depends GLOBAL PROPERTY ARMKIN_MEXMANIFEST_DEPENDS)
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.cpp")
  add_custom_command(
    OUTPUT "${source}"
    COMMAND "${tool}" --source "${source}"
    DEPENDS ${tool_depends}
    COMMENT "Writing the embedded manifest of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${source}")
  # A root for --gc-sections where the retain attribute does not exist (PE):
  # the linker keeps the section of every symbol named with --undefined.
  target_link_options(${target} PRIVATE "LINKER:--undefined=armkin_embedded_manifest")
endfunction()
