# The highest glibc symbol version the shipped Linux files may need: the MEX
# files, which must load on every Linux the host supports (the oldest has
# glibc 2.28; 2.17 leaves room below it), and the stand-in host in
# dist/host. Checked by tests/glibc_floor and the MEX export check.
include_guard(GLOBAL)

set(ARMKIN_MEX_GLIBC_CEILING 2.17 CACHE STRING "Highest GLIBC version a Linux MEX file may need")
set(ARMKIN_HOST_GLIBC_CEILING 2.17 CACHE STRING "Highest GLIBC version the Linux stand-in host may need")
