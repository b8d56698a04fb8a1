// A module linked with -ffast-math and -funsafe-math-optimizations ahead of
// the exact-float module options, as a user's CMAKE_CXX_FLAGS would put them.
extern "C" __attribute__((visibility("default"))) int armkinProbe() { return 1; }
