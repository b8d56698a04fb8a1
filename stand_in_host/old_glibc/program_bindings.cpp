// The stand-in host's program (mexrun): its start-up, the dynamic loading of
// a MEX file and pow, bound to symbol versions glibc 2.17 already has. The
// C++ runtime's own needs are in runtime_bindings.cpp.
//
// Start-up. Current glibc's crt1 calls __libc_start_main@GLIBC_2.34 with no
// init function: since 2.34 the C library runs the program's initialisers
// (DT_INIT, then DT_INIT_ARRAY) itself. Before 2.34 it ran only the `init`
// argument, which the old crt1 set to libc_nonshared's __libc_csu_init. The
// program is linked with --wrap=__libc_start_main: crt1's call lands here
// and goes on to __libc_start_main@GLIBC_2.2.5, which every glibc exports,
// with an init that does what __libc_csu_init did. glibc 2.34 and later call
// a non-null init instead of running the initialisers themselves, so they
// run exactly once on old and new systems. The preinit array, a static
// program's concern only, is left to the dynamic loader as before.
//
// dlopen and its kin moved from libdl.so.2 into libc.so.6 in glibc 2.34;
// the GLIBC_2.2.5 versions are found in libdl.so.2 on older systems, which
// the program therefore names as needed. pow has a GLIBC_2.29 version that
// only dropped the old SVID error handling: the results are the same.
#include "bind.hpp"

extern "C" {

using InitFunction = void (*)(int, char**, char**);
using MainFunction = int (*)(int, char**, char**);

extern ARMKIN_HIDDEN InitFunction __init_array_start[];
extern ARMKIN_HIDDEN InitFunction __init_array_end[];
void _init();

int armkin_old_libc_start_main(MainFunction main, int argc, char** argv, InitFunction init,
                               void (*fini)(), void (*rtld_fini)(), void* stack_end);
__asm__(".symver armkin_old_libc_start_main, __libc_start_main@GLIBC_2.2.5");

static void runInitialisers(int argc, char** argv, char** envp) {
  _init();
  for (InitFunction* f = __init_array_start; f != __init_array_end; ++f) (*f)(argc, argv, envp);
}

ARMKIN_HIDDEN int __wrap___libc_start_main(MainFunction main, int argc, char** argv, InitFunction,
                                           void (*fini)(), void (*rtld_fini)(), void* stack_end) {
  return armkin_old_libc_start_main(main, argc, argv, runInitialisers, fini, rtld_fini, stack_end);
}


ARMKIN_BIND(void*, dlopen, (const char* file, int mode), (file, mode))
ARMKIN_BIND(void*, dlsym, (void* handle, const char* name), (handle, name))
ARMKIN_BIND(int, dlclose, (void* handle), (handle))
ARMKIN_BIND(char*, dlerror, (), ())
ARMKIN_BIND(double, pow, (double x, double y), (x, y))

}  // extern "C"
