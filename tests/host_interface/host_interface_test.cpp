// The host interface layer in-process, where a built MEX file cannot show
// the fault: the translation of every kind of exception, the status mapping
// type by type, and memory running out at each of the layer's and the
// gateway's own allocations.
#include "host_fixture.hpp"

#include "kinematics_gateway.hpp"

#include <armkin/pose.hpp>
#include <matlab/data/array_exception.hpp>
#include <matlab/data/detail/status.hpp>
#include <matlab/engine/exception.hpp>
#include <matlab/exception.hpp>
#include <matlab/mex/argument_list.hpp>
#include <standin/host.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace host_test {
namespace {

using matlab::data::ExceptionType;
using matlab::data::detail::ArrayException;

std::string describe(const Call& c) {
  std::string s = "outputs " + std::to_string(c.outputCallbacks) + ", errors " +
                  std::to_string(c.errorCallbacks) + " \"" + c.message + "\" [" + c.identifier + "]";
  for (const std::string& p : c.problems) s += "; " + p;
  return s;
}

// ---------------------------------------------------------------------------
// Failure translation
// ---------------------------------------------------------------------------

// Classes whose matlab::Exception, std::exception and engine::Exception
// sides give different texts, so the report shows which one was caught.
struct MatlabSide : matlab::Exception {
  const char* what() const noexcept override { return "caught as matlab::Exception"; }
};
struct StdSide : std::exception {
  const char* what() const noexcept override { return "caught as std::exception"; }
};
struct MatlabAndStd : MatlabSide, StdSide {};
struct EngineAndMatlab : matlab::engine::Exception, MatlabSide {
  EngineAndMatlab() : matlab::engine::Exception("caught as matlab::engine::Exception") {}
};
struct Unrelated {};

struct Row {
  const char* name;
  void (*thrower)();
  const char* message;
  const char* identifier;
};
const Row kRows[] = {
    {"MATLABException: message and identifier",
     [] { throw matlab::engine::MATLABException("armkin:test:failed", "A MATLAB error."); },
     "A MATLAB error.", "armkin:test:failed"},
    {"engine::Exception before matlab::Exception", [] { throw EngineAndMatlab(); },
     "caught as matlab::engine::Exception", ""},
    {"engine::Exception", [] { throw matlab::engine::Exception("ArgumentList index out of range."); },
     "ArgumentList index out of range.", ""},
    {"matlab::Exception before std::exception", [] { throw MatlabAndStd(); },
     "caught as matlab::Exception", ""},
    {"array exception",
     [] { throw ArrayException<matlab::Exception, ExceptionType::ArrayTypeMismatch>("Array type mismatch."); },
     "Array type mismatch.", ""},
    {"std::exception", [] { throw std::runtime_error("A standard failure."); }, "A standard failure.", ""},
    {"std::bad_alloc", [] { throw std::bad_alloc(); }, "std::bad_alloc", ""},
    {"an int", [] { throw 7; }, "Unknown exception thrown.", ""},
    {"an unrelated class", [] { throw Unrelated(); }, "Unknown exception thrown.", ""},
};

const Row* gRow = nullptr;

TEST(ReportException, EachKindOfFailureIsReportedOnceFromTheCall) {
  setBehaviour([](matlab::mex::ArgumentList, matlab::mex::ArgumentList) { gRow->thrower(); });
  standin::HostArray input = standin::HostArray::make(standin::doubles({6, 1}, {1, 2, 3, 4, 5, 6}));
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    gRow = &row;
    const Call c = callAdapter({input.get(), input.get()}, 2);
    EXPECT_EQ(c.errorCallbacks, 1) << describe(c);
    EXPECT_EQ(c.outputCallbacks, 0);
    EXPECT_EQ(c.message, row.message);
    EXPECT_EQ(c.identifier, row.identifier);
    EXPECT_TRUE(c.problems.empty()) << describe(c);
  }
  setBehaviour(nullptr);
}

TEST(ReportException, EachKindOfFailureIsReportedOnceFromCreation) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    setCreateFailure(row.thrower);
    Call c;
    const standin::Live before = standin::live();
    void* object = createObject(c);
    setCreateFailure(nullptr);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(c.errorCallbacks, 1);
    EXPECT_EQ(c.message, row.message);
    EXPECT_EQ(c.identifier, row.identifier);
    EXPECT_EQ(standin::live().functions, before.functions);
  }
  Call c;
  void* object = createObject(c);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(c.errorCallbacks, 0);
  destroyObject(object);
}

// ---------------------------------------------------------------------------
// Status mapping
// ---------------------------------------------------------------------------

template <int N>
bool isType(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const ArrayException<matlab::Exception, static_cast<ExceptionType>(N)>&) {
    return true;
  } catch (...) {
    return false;
  }
}

// The exception type of the array exception in `e`, by trying every C++
// type 0..63; -1 when it is none of them.
template <int... N>
int arrayExceptionType(const std::exception_ptr& e, std::integer_sequence<int, N...>) {
  int found = -1;
  static_cast<void>(((isType<N>(e) ? (found = N, true) : false) || ...));
  return found;
}

TEST(StatusMapping, EveryStatusRaisesItsTypeWithItsMessage) {
  struct Known {
    int code;
    const char* message;
  } known[] = {
      {1, "Array index is invalid."},
      {5, "Not enough indices provided."},
      {6, "Too many indices provided."},
      {8, "Data type mismatch."},
      {9, "Array type mismatch."},
      {19, "Not enough memory available to support the request."},
      {21, "Can't index into an empty array."},
      {22, "The specified feature is not supported."},
      {28, ""},
      {29, ""},
  };
  std::vector<std::string> ownMessages;
  for (int code = -3; code <= 63; ++code) {
    if (code == 0) continue;
    SCOPED_TRACE("status " + std::to_string(code));
    std::exception_ptr e;
    try {
      matlab::data::detail::throwIfError(code);
    } catch (...) {
      e = std::current_exception();
    }
    ASSERT_TRUE(e) << "nothing thrown";
    const bool ownType = (code >= 1 && code <= 3) || (code >= 5 && code <= 19) ||
                         (code >= 21 && code <= 47) || code == 51;
    EXPECT_EQ(arrayExceptionType(e, std::make_integer_sequence<int, 64>{}), ownType ? code : 20);

    std::string asMatlab;
    std::string asStd;
    try {
      std::rethrow_exception(e);
    } catch (const matlab::Exception& m) {
      asMatlab = m.what();
    }
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& s) {
      asStd = s.what();
    }
    EXPECT_EQ(asMatlab, asStd);
    if (!ownType) {
      EXPECT_EQ(asStd, "System Error.");
      continue;
    }
    bool listed = false;
    for (const Known& k : known) {
      if (k.code == code) {
        EXPECT_EQ(asStd, k.message);
        listed = true;
      }
    }
    if (!listed) {
      EXPECT_NE(asStd, "");  // a fixed text of its own, unlike any other
      for (const std::string& m : ownMessages) EXPECT_NE(asStd, m);
      ownMessages.push_back(asStd);
    }
  }
}

TEST(StatusMapping, CallerSuppliedMessages) {
  for (int code : {28, 29}) {
    SCOPED_TRACE(code);
    try {
      matlab::data::detail::throwStatus(code, "A message of the caller's.");
      ADD_FAILURE() << "nothing thrown";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), "A message of the caller's.");
    }
  }
}

// ---------------------------------------------------------------------------
// Argument lists
// ---------------------------------------------------------------------------

TEST(ArgumentList, IndexIsBoundedByTheRunNotByTheReportedSize) {
  standin::HostArray raw = standin::HostArray::make(standin::doubles({1, 1}, {1}));
  std::vector<matlab::data::Array> run;
  run.emplace_back(standin::sharedCopy(raw.get()));
  run.emplace_back(standin::sharedCopy(raw.get()));
  struct Case {
    const char* name;
    std::size_t length;
    std::size_t reported;
    std::size_t index;
    bool inRange;
  } cases[] = {
      {"empty run, size 0", 0, 0, 0, false},
      {"empty run reporting 3", 0, 3, 0, false},
      {"two reporting 0: index 1", 2, 0, 1, true},
      {"two reporting 5: index 2", 2, 5, 2, false},
      {"two: huge index", 2, 2, std::size_t(-1), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    matlab::mex::ArgumentList list(run.data(), run.data() + c.length, c.reported);
    EXPECT_EQ(list.size(), c.reported);
    if (c.inRange) {
      EXPECT_EQ(&list[c.index], run.data() + c.index);
    } else {
      try {
        list[c.index];
        ADD_FAILURE() << "no exception";
      } catch (const matlab::engine::Exception& e) {
        EXPECT_STREQ(e.what(), "ArgumentList index out of range.");
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Memory running out inside the layer and the gateway
// ---------------------------------------------------------------------------

const std::vector<double> kAngles{0.1, -0.4, 0.9, 0.3, 1.2, -2.0};

void poseGateway(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) {
  armkin::mex::runKinematicsGateway<4, armkin::computeEndEffectorPose>(outputs, inputs);
}

std::vector<double> expectedPose() {
  const armkin::PoseMatrix m = armkin::computeEndEffectorPose(
      armkin::JointVector{kAngles[0], kAngles[1], kAngles[2], kAngles[3], kAngles[4], kAngles[5]});
  std::vector<double> columnMajor;
  for (int c = 1; c <= 4; ++c)
    for (int r = 1; r <= 4; ++r) columnMajor.push_back(m(r, c));
  return columnMajor;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// The host work of one call, operation by operation: the slot, the factory
// before the input is looked at, the view, six reads, the result array, the
// writes row by row, slot 0 taking the result (its default array given back),
// the view's copy and the factory given back as the call operator returns,
// the output callback, then the slot and the input.
TEST(HostOperations, OneCallRunsTheseOperationsInThisOrder) {
  using namespace matlab::abi;
  std::vector<int> expected{kCreateDefaultArray, kCreateFactory, kGetArrayType, kCanViewAs};
  for (int k = 0; k < 6; ++k) {
    expected.insert(expected.end(), {kUnshareArray, kArrayGetReference, kReferenceAddIndex,
                                     kReferenceGetAddress, kDestroyReference});
  }
  expected.push_back(kCreateArrayWithDims);
  for (int e = 0; e < 16; ++e) {
    expected.insert(expected.end(), {kUnshareArray, kArrayGetReference, kReferenceAddIndex,
                                     kReferenceAssign, kDestroyReference});
  }
  expected.insert(expected.end(), {kDestroyArray, kDestroyArray, kDestroyFactory, kOutputCallback,
                                   kDestroyArray, kDestroyArray});

  setBehaviour(&poseGateway);
  standin::HostArray q = standin::HostArray::make(standin::doubles({6, 1}, kAngles));
  const Call c = callAdapter({q.get()});
  ASSERT_EQ(c.outputCallbacks, 1) << describe(c);
  EXPECT_EQ(c.trace, expected);
  setBehaviour(nullptr);
}

// A whole call allocates exactly this: the adapter its input list, one
// reference count per input, its output list, one per output slot and the
// list handed to the output callback; the call operator its dimension list,
// the result's reference count and that of the input's private copy.
TEST(Allocations, OneCallAllocatesOnlyWhatItNames) {
  setBehaviour(&poseGateway);
  standin::HostArray q = standin::HostArray::make(standin::doubles({6, 1}, kAngles));
  const Call c = callAdapter({q.get()});
  ASSERT_EQ(c.outputCallbacks, 1) << describe(c);
  EXPECT_TRUE(c.problems.empty()) << describe(c);
  EXPECT_TRUE(sameBits(c.outputs[0].read().doubles(), expectedPose()));
  EXPECT_EQ(c.callOperatorAllocations, 3);
  EXPECT_EQ(c.allocations, 5 + 3);
  setBehaviour(nullptr);
}

TEST(Allocations, MemoryRunningOutAtEachAllocationIsReportedAndLeavesNothing) {
  setBehaviour(&poseGateway);
  standin::HostArray q = standin::HostArray::make(standin::doubles({6, 1}, kAngles));
  standin::HostArray extra = standin::HostArray::make(standin::text("extra"));
  const Call probe = callAdapter({q.get(), extra.get()}, 2);
  ASSERT_EQ(probe.outputCallbacks, 1) << describe(probe);
  ASSERT_EQ(probe.allocations, 5 + 1 + 1 + 3);  // one more input, one more slot
  for (std::int64_t n = 1; n <= probe.allocations; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    const Call c = callAdapter({q.get(), extra.get()}, 2, n);
    EXPECT_EQ(c.outputCallbacks, 0);
    EXPECT_EQ(c.errorCallbacks, 1);
    EXPECT_EQ(c.message, "std::bad_alloc");
    EXPECT_EQ(c.identifier, "");
    EXPECT_TRUE(c.problems.empty()) << describe(c);
    const Call again = callAdapter({q.get(), extra.get()}, 2);
    ASSERT_EQ(again.outputCallbacks, 1) << describe(again);
    EXPECT_TRUE(sameBits(again.outputs[0].read().doubles(), expectedPose()));
  }
  setBehaviour(nullptr);
}

}  // namespace
}  // namespace host_test
