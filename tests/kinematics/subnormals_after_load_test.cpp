// Loading a module built under fast-math flags must leave the process's
// floating-point environment alone: subnormal doubles still exist after the
// load (a start-up file of fast-math links would flush them to zero for
// every computation of the host).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cfloat>

namespace {

double quarterOfMin() {
  volatile double smallest = DBL_MIN;
  return smallest / 4;
}

TEST(SubnormalsAfterLoad, ModuleLinkedWithFastMathFlagsKeepsThem) {
  ASSERT_GT(quarterOfMin(), 0.0);
  void* module = dlopen(ARMKIN_FAST_MATH_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  EXPECT_GT(quarterOfMin(), 0.0) << "loading the module switched on flush-to-zero";
  dlclose(module);
}

}  // namespace
