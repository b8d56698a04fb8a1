// The classic gateway against a scripted host: what real Octave cannot be
// made to do on demand. The host's array creation fails by returning null or
// by throwing (memory, a std::exception, anything), and the host's error call
// leaves by throwing, as Octave's does: the failure must come out as one
// error call with the right text, never as an exception of the gateway's.
#include "classic_gateway.hpp"

#include <armkin/pose.hpp>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct FakeArray {
  bool isDouble = true;
  std::vector<std::size_t> dims{6, 1};
  std::vector<double> data = std::vector<double>(6, 0.0);
};

enum class Creation { kSucceeds, kReturnsNull, kThrowsBadAlloc, kThrowsRuntimeError, kThrowsInt };
Creation creation = Creation::kSucceeds;
std::vector<FakeArray*> created;

// What the host's error call throws, like Octave's.
struct HostError {
  std::string identifier;
  std::string message;
};

const FakeArray& fake(const mxArray* a) { return *static_cast<const FakeArray*>(a); }

}  // namespace

extern "C" {
bool mxIsDouble(const mxArray* a) { return fake(a).isDouble; }
bool mxIsComplex(const mxArray*) { return false; }
bool mxIsSparse(const mxArray*) { return false; }
std::size_t mxGetM(const mxArray* a) { return fake(a).dims[0]; }
mwSize mxGetNumberOfDimensions(const mxArray* a) { return static_cast<mwSize>(fake(a).dims.size()); }
std::size_t mxGetNumberOfElements(const mxArray* a) { return fake(a).data.size(); }
double* mxGetPr(const mxArray* a) { return const_cast<double*>(fake(a).data.data()); }
mxArray* mxCreateDoubleMatrix(mwSize rows, mwSize cols, mxComplexity) {
  switch (creation) {
    case Creation::kReturnsNull:
      return nullptr;
    case Creation::kThrowsBadAlloc:
      throw std::bad_alloc();
    case Creation::kThrowsRuntimeError:
      throw std::runtime_error("the host gave up");
    case Creation::kThrowsInt:
      throw 42;
    case Creation::kSucceeds:
      break;
  }
  auto* a = new FakeArray;
  a->dims = {static_cast<std::size_t>(rows), static_cast<std::size_t>(cols)};
  a->data.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), -1.0);
  created.push_back(a);
  return a;
}
void mexErrMsgIdAndTxt(const char* id, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  throw HostError{id, text};
}
}

ARMKIN_CLASSIC_GATEWAY(4, armkin::computeEndEffectorPose)

namespace {

class ClassicGatewayTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (FakeArray* a : created) delete a;
    created.clear();
    creation = Creation::kSucceeds;
  }

  // The error the call raised, or "" when it returned normally.
  static std::string call(int nlhs, mxArray** plhs, std::vector<const FakeArray*> inputs, std::string* id = nullptr) {
    std::vector<const mxArray*> prhs(inputs.begin(), inputs.end());
    try {
      mexFunction(nlhs, plhs, static_cast<int>(prhs.size()), prhs.data());
    } catch (const HostError& e) {
      if (id != nullptr) *id = e.identifier;
      return e.message;
    }
    return "";
  }
};

TEST_F(ClassicGatewayTest, WithoutAnOutputTheResultStillFillsTheFirstSlot) {
  FakeArray q;
  mxArray* plhs[1] = {nullptr};
  EXPECT_EQ(call(0, plhs, {&q}), "");
  ASSERT_NE(plhs[0], nullptr);
  const armkin::PoseMatrix T = armkin::computeEndEffectorPose(armkin::JointVector{});
  const FakeArray& out = fake(plhs[0]);
  ASSERT_EQ(out.dims, (std::vector<std::size_t>{4, 4}));
  for (int r = 1; r <= 4; ++r)
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(out.data[static_cast<std::size_t>((c - 1) * 4 + (r - 1))], T(r, c));
}

TEST_F(ClassicGatewayTest, EveryFailureIsOneHostErrorWithAnEmptyIdentifier) {
  struct Case {
    const char* name;
    Creation creation;
    FakeArray input;
    bool given;
    const char* message;
  };
  FakeArray single;
  single.isDouble = false;
  FakeArray threeDims;
  threeDims.dims = {6, 1, 2};
  threeDims.data.assign(12, 0.0);
  FakeArray empty;
  empty.dims = {6, 0};
  empty.data.clear();
  FakeArray shortColumn;
  shortColumn.dims = {5, 1};
  shortColumn.data.assign(5, 0.0);
  const Case cases[] = {
      {"no input", Creation::kSucceeds, {}, false, "ArgumentList index out of range."},
      {"not double", Creation::kSucceeds, single, true, "Can't convert the Array to this TypedArray"},
      {"three dimensions", Creation::kSucceeds, threeDims, true, "Not enough indices provided."},
      {"empty", Creation::kSucceeds, empty, true, "Can't index into an empty array."},
      {"five rows", Creation::kSucceeds, shortColumn, true, "Array index is invalid."},
      {"creation returns null", Creation::kReturnsNull, {}, true,
       "Not enough memory available to support the request."},
      {"creation throws bad_alloc", Creation::kThrowsBadAlloc, {}, true,
       "Not enough memory available to support the request."},
      {"creation throws a std::exception", Creation::kThrowsRuntimeError, {}, true, "the host gave up"},
      {"creation throws something else", Creation::kThrowsInt, {}, true, "Unknown exception thrown."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    creation = c.creation;
    mxArray* plhs[1] = {nullptr};
    std::string id = "unset";
    std::vector<const FakeArray*> inputs;
    if (c.given) inputs.push_back(&c.input);
    EXPECT_EQ(call(1, plhs, inputs, &id), c.message);
    EXPECT_EQ(id, "");
    EXPECT_EQ(plhs[0], nullptr);
  }
}

}  // namespace
