// A loadable module that carries nothing but a manifest and one function, so
// the manifest's embedding can be checked before, and beside, the
// deliverables. It is linked with unreferenced sections discarded: the
// manifest, which nothing refers to, must survive that.
#if defined(_WIN32)
#define MANIFEST_PROBE_EXPORT __declspec(dllexport)
#else
#define MANIFEST_PROBE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" MANIFEST_PROBE_EXPORT int manifestProbe() { return 1; }
