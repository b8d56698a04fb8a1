// What the statically linked C++ runtime asks of the C library, bound to
// symbol versions that glibc 2.17 already has, so that the stand-in host
// runs on older systems than the one that built it.
//
// GCC 12's libstdc++.a was compiled against glibc 2.36: linked in as is, its
// references bind to the newest default versions (pthread_once@GLIBC_2.34
// after libpthread moved into libc, stat@GLIBC_2.33 after stat stopped being
// a header wrapper, arc4random@GLIBC_2.36, ...). A hidden definition here
// satisfies each such reference inside the module, and forwards to the same
// operation under a version every glibc since 2.2.5 exports: the current
// glibc keeps those versions for old programs, an older glibc has them as
// its only ones (the pthread functions then live in libpthread.so.0, which
// the module therefore names as needed). Nothing here is exported, and no
// behaviour changes: every forwarder calls the very same C library function.
// The floor check and the run on a Debian 11 root (tests/glibc_floor) prove
// both halves.
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>

#include "bind.hpp"

// Declared by hand, not through <pthread.h>, <sys/stat.h> and <unistd.h>,
// whose declarations of the same names would clash with the hidden
// definitions below. The object types are only passed through.
extern "C" {

long syscall(long number, ...);


// Moved from libpthread.so.0 into libc.so.6 in glibc 2.34 (new default
// version GLIBC_2.34); reached by the runtime's threads, locale and
// once-only helpers.
ARMKIN_BIND(int, pthread_once, (int* once, void (*init)()), (once, init))
ARMKIN_BIND(int, pthread_key_create, (unsigned* key, void (*destroy)(void*)), (key, destroy))
ARMKIN_BIND(int, __pthread_key_create, (unsigned* key, void (*destroy)(void*)), (key, destroy))
ARMKIN_BIND(int, pthread_key_delete, (unsigned key), (key))
ARMKIN_BIND(void*, pthread_getspecific, (unsigned key), (key))
ARMKIN_BIND(int, pthread_setspecific, (unsigned key, const void* value), (key, value))
ARMKIN_BIND(int, pthread_rwlock_rdlock, (void* lock), (lock))
ARMKIN_BIND(int, pthread_rwlock_wrlock, (void* lock), (lock))
ARMKIN_BIND(int, pthread_rwlock_unlock, (void* lock), (lock))

// Exported functions since glibc 2.33; before, the headers turned them into
// calls of __xstat, __lxstat and __fxstat with the structure's version (1 on
// x86-64), which current glibc still exports for programs built then.
int armkin_old_xstat(int version, const char* path, void* buf);
int armkin_old_lxstat(int version, const char* path, void* buf);
int armkin_old_fxstat(int version, int fd, void* buf);
__asm__(".symver armkin_old_xstat, __xstat@GLIBC_2.2.5");
__asm__(".symver armkin_old_lxstat, __lxstat@GLIBC_2.2.5");
__asm__(".symver armkin_old_fxstat, __fxstat@GLIBC_2.2.5");
constexpr int kStatVersion = 1;
ARMKIN_HIDDEN int stat(const char* path, void* buf) { return armkin_old_xstat(kStatVersion, path, buf); }
ARMKIN_HIDDEN int lstat(const char* path, void* buf) { return armkin_old_lxstat(kStatVersion, path, buf); }
ARMKIN_HIDDEN int fstat64(int fd, void* buf) { return armkin_old_fxstat(kStatVersion, fd, buf); }

// The runtime's std::random_device may draw from getentropy (glibc 2.25) or
// arc4random (2.36); both are the kernel's getrandom, asked directly here.
// Nothing in the host uses std::random_device; the definitions only keep
// the reference inside the module.
ARMKIN_HIDDEN int getentropy(void* buffer, std::size_t length) {
  if (length > 256) {
    errno = EIO;
    return -1;
  }
  auto* out = static_cast<unsigned char*>(buffer);
  while (length > 0) {
    const long got = syscall(SYS_getrandom, out, length, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    out += got;
    length -= static_cast<std::size_t>(got);
  }
  return 0;
}

ARMKIN_HIDDEN unsigned arc4random() {
  unsigned value = 0;
  if (getentropy(&value, sizeof value) != 0) __builtin_trap();  // never fails, as glibc's own
  return value;
}

// Since glibc 2.32 the runtime reads this flag to skip atomic instructions
// while the process has one thread. Before, it asked whether the thread
// library was linked, which it always is here. A constant "not known to be
// single-threaded" keeps every reference count and once-only flag on
// atomic instructions: correct with any number of threads, on every glibc.
ARMKIN_HIDDEN char __libc_single_threaded = 0;

}  // extern "C"
