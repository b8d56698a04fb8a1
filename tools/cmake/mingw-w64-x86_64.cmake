# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads
# flavour); programs and tests run under Wine.
#
#   cmake --preset windows          (build/windows)
#   cmake -S . -B build/win --toolchain tools/cmake/mingw-w64-x86_64.cmake
#
# Everything is linked with -static: the C++ runtime, libgcc and winpthread
# go into each executable and DLL, so nothing needs libstdc++-6.dll,
# libgcc_s_seh-1.dll or libwinpthread-1.dll at run time. Executables and DLLs
# of the build land together in <build>/bin, where Windows' loader finds a
# program's DLLs next to it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ARMKIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ARMKIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ARMKIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ARMKIN_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${ARMKIN_MINGW_TRIPLET}-dlltool)
set(CMAKE_OBJDUMP ${ARMKIN_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ARMKIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

if(NOT DEFINED CMAKE_RUNTIME_OUTPUT_DIRECTORY)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

# Test programs run under Wine, headless, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../windows/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
