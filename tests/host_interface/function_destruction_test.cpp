// The object's destruction when libmex throws while taking the function
// handle back: mexDestroyMexFunction reports the exception once, the object's
// storage is still freed (a delete-expression frees it even when the
// destructor throws) and nothing ends the process. Built for Linux and for
// Windows (run under Wine), so both compilers' deleting destructors are tried.
#include <matlab/mex/entry_points.hpp>
#include <matlab/mex/function.hpp>
#include <standin/host.hpp>

#include <gtest/gtest.h>

#include <cstddef>
#include <new>
#include <string>

namespace {

int gFreed = 0;
int gErrors = 0;
std::string gMessage;

// Counts the frees of its storage; otherwise a MexFunction like any other.
class CountedFunction : public matlab::mex::Function {
 public:
  void operator()(matlab::mex::ArgumentList, matlab::mex::ArgumentList) override {}
  static void* operator new(std::size_t size) { return ::operator new(size); }
  static void operator delete(void* p) noexcept {
    ++gFreed;
    ::operator delete(p);
  }
};

void onError(const char* message, const char*) {
  ++gErrors;
  gMessage = message;
}

TEST(FunctionDestruction, AThrowingReleaseIsReportedOnceAndTheStorageFreed) {
  for (const bool failing : {false, true}) {
    SCOPED_TRACE(failing ? "mexDestroyFunctionImpl throws" : "mexDestroyFunctionImpl succeeds");
    standin::reset();
    gFreed = gErrors = 0;
    gMessage.clear();
    void* object = mexCreateMexFunction(&onError);
    ASSERT_NE(object, nullptr);
    if (failing) standin::failDestroyFunctionImpl(1);
    mexDestroyMexFunction(object, &onError);
    EXPECT_EQ(gFreed, 1);
    EXPECT_EQ(gErrors, failing ? 1 : 0);
    EXPECT_EQ(gMessage, failing ? standin::kDestroyFunctionImplFailure : "");
    EXPECT_EQ(standin::live().functions, 0);
  }
  standin::reset();
}

}  // namespace

matlab::mex::Function* matlab::mex::createMexFunction() { return new CountedFunction; }
