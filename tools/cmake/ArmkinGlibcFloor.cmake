# The highest glibc symbol version the shipped Linux files may need: the MEX
# files (loaded by every Linux release of the host, the oldest on glibc
# 2.17) and the stand-in host in dist/host. Checked by tests/glibc_floor and
# the MEX export check.
include_guard(GLOBAL)

set(ARMKIN_MEX_GLIBC_CEILING 2.17 CACHE STRING "Highest GLIBC version a Linux MEX file may need")
set(ARMKIN_HOST_GLIBC_CEILING 2.17 CACHE STRING "Highest GLIBC version the Linux stand-in host may need")
