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
