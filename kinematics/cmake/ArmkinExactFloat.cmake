# armkin_exact_float(TARGET): floating-point options for code whose results
# are fixed to the last bit. Target options follow CMAKE_CXX_FLAGS on the
# compiler's command line, so these win over contraction, fast-math or x87
# requested by the user's own flags.
function(armkin_exact_float target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /fp:precise)
  else()
    target_compile_options(${target} PRIVATE -fno-fast-math -ffp-contract=off)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|x86|i[3-6]86)$")
      target_compile_options(${target} PRIVATE -mfpmath=sse -msse2)
    endif()
  endif()
endfunction()

# armkin_exact_float_module(TARGET): for a module that a host process loads.
# -ffast-math and -funsafe-math-optimizations on a link line make GCC add a
# start-up file that switches the whole process to flushing subnormals to
# zero when the module loads, whatever the module's own code was compiled
# with; the negations after the user's flags keep it out. -Ofast cannot be
# negated that way, so it is refused here.
function(armkin_exact_float_module target)
  if(MSVC)
    return()
  endif()
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  foreach(flags CMAKE_CXX_FLAGS CMAKE_CXX_FLAGS_${config} CMAKE_MODULE_LINKER_FLAGS
                CMAKE_MODULE_LINKER_FLAGS_${config} CMAKE_SHARED_LINKER_FLAGS)
    if(" ${${flags}} " MATCHES " -Ofast ")
      message(FATAL_ERROR "${flags} holds -Ofast, which would switch the host process to "
        "flushing subnormals to zero when ${target} loads: use -O3")
    endif()
  endforeach()
  target_link_options(${target} PRIVATE -fno-fast-math -fno-unsafe-math-optimizations)
endfunction()
