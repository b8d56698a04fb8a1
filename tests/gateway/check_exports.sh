#!/bin/sh
# check_exports.sh <highest GLIBC allowed> <MEX file>...
#
# For each built MEX file: exactly the five entry points are exported; it
# needs libmex.so and libMatlabDataArray.so and nothing of the C++ runtime
# (no libstdc++, no GLIBCXX or CXXABI versions; the unwinder libgcc_s is the
# process's own); it asks for no GLIBC version above the one given. Prints
# the needed libraries and the highest GLIBC version with the symbols that
# ask for it.
set -eu

max_glibc=$1
shift

expected="mexCreateMexFunction
mexDestroyMexFunction
mexFunction
mexFunctionAdapter
mexfilerequiredapiversion"

status=0
fail() {
  echo "FAIL: $1: $2"
  status=1
}

for file in "$@"; do
  exports=$(nm -D --defined-only "$file" | awk '{ print $NF }' | sort)
  if [ "$exports" != "$expected" ]; then
    fail "$file" "exports differ from the five entry points:"
    echo "$exports" | sed 's/^/    /'
  fi

  needed=$(objdump -p "$file" | awk '$1 == "NEEDED" { print $2 }')
  echo "$file"
  echo "  needs: $(echo "$needed" | tr '\n' ' ')"
  for lib in libmex.so libMatlabDataArray.so; do
    echo "$needed" | grep -qx "$lib" || fail "$file" "does not need $lib"
  done
  if echo "$needed" | grep -Eq '^libstdc\+\+\.'; then
    fail "$file" "needs the shared C++ runtime"
  fi

  versions=$(objdump -T "$file" | grep -oE '\((GLIBC|GLIBCXX|CXXABI)[A-Z_]*_[0-9.]+\)' | tr -d '()' | sort -u)
  if echo "$versions" | grep -Eq '^(GLIBCXX|CXXABI)'; then
    fail "$file" "asks for C++ runtime versions: $(echo "$versions" | grep -E '^(GLIBCXX|CXXABI)' | tr '\n' ' ')"
  fi
  highest=$(echo "$versions" | grep '^GLIBC_' | sed 's/^GLIBC_//' | sort -V | tail -n 1)
  echo "  highest GLIBC version: ${highest:-none}"
  echo "  by: $(objdump -T "$file" | grep -F "(GLIBC_$highest)" | awk '{ print $NF }' | tr '\n' ' ')"
  if [ -n "$highest" ] && [ "$(printf '%s\n%s\n' "$highest" "$max_glibc" | sort -V | tail -n 1)" != "$max_glibc" ]; then
    fail "$file" "asks for GLIBC $highest, above $max_glibc"
  fi
done
exit $status
