// ARMKIN_BIND(ret, name, (params), (args)): a hidden definition of the C
// library function `name` that calls name@GLIBC_2.2.5, the version every
// x86-64 glibc exports. The module's references to `name` bind to it, so
// the module needs no newer version of `name`.
#pragma once

#define ARMKIN_HIDDEN __attribute__((visibility("hidden")))

#define ARMKIN_BIND(ret, name, params, args)                     \
  ret armkin_old_##name params;                                  \
  __asm__(".symver armkin_old_" #name ", " #name "@GLIBC_2.2.5"); \
  ARMKIN_HIDDEN ret name params { return armkin_old_##name args; }
