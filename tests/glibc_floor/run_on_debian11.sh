#!/bin/sh
# run_on_debian11.sh BUILD_DIR ROOT WORK
#
# Installs what `make dist` ships from BUILD_DIR into WORK/dist, then runs
# its stand-in host (host/mexrun) on both MEX files twice per call: on this
# system, and with the dynamic loader and C library of a minimal Debian 11
# root (glibc 2.31), made once in ROOT by debootstrap and kept. The printed
# results (--hex: every element's bits) and the exit status must agree
# exactly. Exits 77 (skipped) when the root cannot be made here: not root, no
# debootstrap or no way to the Debian mirror; under CI (CI=true), which runs
# as root with the mirror in reach, that is a failure instead.
set -eu

build=$1
root=$2
work=$3
mirror=http://deb.debian.org/debian

skip() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1 (CI must run this test)"
    exit 1
  fi
  echo "SKIPPED: $1"
  exit 77
}

# The root, once: under a lock, so that test runs sharing the build folder
# do not make it twice; complete only once the marker is written.
if [ ! -f "$root/.armkin-complete" ]; then
  [ "$(id -u)" -eq 0 ] || skip "making the Debian 11 root needs root (debootstrap)"
  command -v debootstrap >/dev/null 2>&1 || skip "debootstrap is not installed (tools/install-deps)"
  getent hosts deb.debian.org >/dev/null 2>&1 || skip "the Debian mirror is not reachable"
  mkdir -p "$(dirname "$root")"
  exec 9>"$root.lock"
  flock 9
  if [ ! -f "$root/.armkin-complete" ]; then
    echo "making the Debian 11 root in $root (once; takes a minute or more)"
    rm -rf "$root"
    if ! debootstrap --variant=minbase bullseye "$root" "$mirror" >"$root.log" 2>&1; then
      tail -n 20 "$root.log"
      echo "FAIL: debootstrap of bullseye failed (log: $root.log)"
      exit 1
    fi
    touch "$root/.armkin-complete"
  fi
  flock -u 9
fi

libs="$root/lib/x86_64-linux-gnu"
loader="$libs/ld-linux-x86-64.so.2"
version=$("$loader" --inhibit-cache --library-path "$libs" "$libs/libc.so.6" | head -n 1)
echo "old system: $version"
case $version in
  *"release version 2.31"*) ;;
  *) echo "FAIL: the root's C library is not glibc 2.31"; exit 1 ;;
esac

rm -rf "$work/dist"
cmake --install "$build" --component dist --prefix "$work/dist" >/dev/null
dist="$work/dist"

status=0
run() {  # run <mex file> <call>: the same call here and on the old system
  here=$("$dist/host/mexrun" --hex "$dist/$1" "$2" 2>&1) && here_rc=0 || here_rc=$?
  # --inhibit-cache and only the root's folders: nothing of this system's
  # C library is found; libmex and libMatlabDataArray come from $ORIGIN.
  old=$("$loader" --inhibit-cache --library-path "$libs:$root/usr/lib/x86_64-linux-gnu" \
        "$dist/host/mexrun" --hex "$dist/$1" "$2" 2>&1) && old_rc=0 || old_rc=$?
  if [ "$here" = "$old" ] && [ "$here_rc" = "$old_rc" ]; then
    echo "same on both (exit $here_rc): $2"
  else
    echo "FAIL: $2"
    echo "  here (exit $here_rc):"; echo "$here" | sed 's/^/    /'
    echo "  glibc 2.31 (exit $old_rc):"; echo "$old" | sed 's/^/    /'
    status=1
  fi
}

for name in armpose armvelmap; do
  run $name.mexa64 "$name(zeros(6,1))"
  run $name.mexa64 "$name([0.1; -0.4; 0.3; 0.2; 0.5; -0.6])"
  run $name.mexa64 "$name([2^0.5; -pi/3; 1e-300; -7.5; 100; NaN])"
  # An error raised in the MEX file and reported through the host.
  run $name.mexa64 "$name([1; 2; 3])"
done
exit $status
