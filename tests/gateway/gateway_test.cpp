// The built armpose and armvelmap MEX files, driven through the stand-in
// host's loader as the host drives them: the call contract of both gateways,
// the adapter, the error reports, and a fault at every host operation on the
// road. Every call is checked by the loader as well (nothing left alive,
// every input given back exactly once).
//
//   gateway_test <armpose.mexa64> <armvelmap.mexa64>
#include "deliverables.hpp"

#include <armkin/joint_vector.hpp>
#include <matlab/host_abi.hpp>
#include <standin/host.hpp>
#include <standin/loader.hpp>

#include <gtest/gtest.h>

#include <complex>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace gateway_test {

namespace {

namespace abi = matlab::abi;
using standin::HostArray;
using standin::HostReport;
using standin::MexFile;
using standin::Value;

constexpr const char* kOutOfRange = "ArgumentList index out of range.";
constexpr const char* kNotDouble = "Can't convert the Array to this TypedArray";
constexpr const char* kMissing = "This feature requires R2018a";

const armkin::JointVector kQ{0.1, -0.4, 0.9, 0.3, 1.2, -2.0};
const std::vector<double> kQColumn{0.1, -0.4, 0.9, 0.3, 1.2, -2.0};

std::string describe(const HostReport& r) {
  std::string s = "outputs " + std::to_string(r.outputCallbacks) + ", errors " +
                  std::to_string(r.errorCallbacks) + " \"" + r.message + "\" [" + r.identifier + "]";
  for (const std::string& p : r.problems) s += "; " + p;
  return s;
}

// Loads one deliverable for one test and makes its object; the file is
// unloaded again at the end, so each test starts with nothing looked up.
class Loaded {
 public:
  explicit Loaded(const Deliverable& d) : mex_(d.path) {
    const HostReport created = mex_.create();
    EXPECT_TRUE(created.problems.empty() && created.errorCallbacks == 0) << describe(created);
  }
  MexFile& operator*() { return mex_; }
  MexFile* operator->() { return &mex_; }

 private:
  MexFile mex_;
};

class GatewayTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::reset(); }
  void TearDown() override { standin::reset(); }

  // A call with angles kQ succeeds and gives the kinematics library's result.
  static void expectGoodCall(const Deliverable& d, const MexFile& mex) {
    HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
    const HostReport r = mex.call({q.get()});
    ASSERT_TRUE(r.succeeded()) << describe(r);
    ASSERT_EQ(r.outputs.size(), 1u);
    EXPECT_EQ(bitsOf(r.outputs[0].read().doubles()), d.expected(kQ));
  }
};

// ---------------------------------------------------------------------------
// Calls that succeed
// ---------------------------------------------------------------------------

TEST_F(GatewayTest, ResultsEqualTheKinematicsLibraryBitForBit) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    Value input;
    armkin::JointVector q;  // what the gateway must read
  } cases[] = {
      {"6x1 column", standin::doubles({6, 1}, kQColumn), kQ},
      {"zero pose", standin::doubles({6, 1}, {0, 0, 0, 0, 0, 0}), {}},
      {"q2 equal to q3", standin::doubles({6, 1}, {0.5, 0.7, 0.7, -1, 2, 3}), {0.5, 0.7, 0.7, -1, 2, 3}},
      {"6x3: column 1 only", standin::doubles({6, 3}, {0.1, -0.4, 0.9, 0.3, 1.2, -2.0,  //
                                                      nan, nan, nan, nan, nan, nan,      //
                                                      9, 9, 9, 9, 9, 9}),
       kQ},
      {"8x1: rows 1 to 6 only", standin::doubles({8, 1}, {0.1, -0.4, 0.9, 0.3, 1.2, -2.0, nan, inf}), kQ},
      {"NaN and Inf pass through", standin::doubles({6, 1}, {nan, 0.2, inf, -inf, 0.5, 0.6}),
       {nan, 0.2, inf, -inf, 0.5, 0.6}},
      {"huge angles", standin::doubles({6, 1}, {1e300, -1e300, 1e22, 3.0e9, -7.5e15, 1e-300}),
       {1e300, -1e300, 1e22, 3.0e9, -7.5e15, 1e-300}},
  };
  for (const Deliverable& d : deliverables()) {
    Loaded mex(d);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(d.name) + ": " + c.name);
      HostArray input = HostArray::make(c.input);
      const HostReport r = mex->call({input.get()});
      ASSERT_TRUE(r.succeeded()) << describe(r);
      ASSERT_EQ(r.outputCount, 1);
      const Value out = r.outputs[0].read();
      EXPECT_EQ(out.type, abi::kDouble);
      EXPECT_EQ(out.dims, (std::vector<std::uint64_t>{std::uint64_t(d.size), std::uint64_t(d.size)}));
      EXPECT_EQ(bitsOf(out.doubles()), d.expected(c.q));
      // Only rows 1 to 6 of column 1 are read, each once; the caller's input
      // is left as it was.
      EXPECT_EQ(r.delta.calls[abi::kReferenceGetAddress], 6);
      EXPECT_EQ(bitsOf(input.read().doubles()), bitsOf(c.input.doubles()));
    }
  }
}

TEST_F(GatewayTest, ExtraArgumentsAreNeverLookedAt) {
  for (const Deliverable& d : deliverables()) {
    SCOPED_TRACE(d.name);
    Loaded mex(d);
    HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
    HostArray text = HostArray::make(standin::text("extra"));
    HostArray cells = HostArray::make(standin::cell({1, 1}, {standin::doubles({1, 1}, {1})}));
    HostArray ints = HostArray::make(standin::numeric<std::int32_t>(abi::kInt32, {1, 2}, {1, 2}));
    const HostReport r = mex->call({q.get(), text.get(), cells.get(), ints.get()});
    ASSERT_TRUE(r.succeeded()) << describe(r);
    EXPECT_EQ(bitsOf(r.outputs[0].read().doubles()), d.expected(kQ));
    EXPECT_EQ(r.delta.calls[abi::kGetArrayType], 1);
  }
}

// One successful call does exactly this host work, whatever the object did
// before; the input view gets a private copy at its first read.
TEST_F(GatewayTest, OneCallMakesExactlyTheseHostOperations) {
  for (const Deliverable& d : deliverables()) {
    SCOPED_TRACE(d.name);
    Loaded mex(d);
    for (int round = 0; round < 2; ++round) {
      HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
      const HostReport r = mex->call({q.get()});
      ASSERT_TRUE(r.succeeded()) << describe(r);
      const std::int64_t entries = std::int64_t(d.size) * d.size;
      const std::int64_t accesses = 6 + entries;
      struct {
        int op;
        std::int64_t calls;
      } expected[] = {
          {abi::kCreateDefaultArray, 1}, {abi::kCreateFactory, 1},       {abi::kGetArrayType, 1},
          {abi::kCanViewAs, 1},          {abi::kUnshareArray, accesses}, {abi::kArrayGetReference, accesses},
          {abi::kReferenceAddIndex, accesses}, {abi::kReferenceGetAddress, 6},
          {abi::kCreateArrayWithDims, 1}, {abi::kReferenceAssign, entries},
          {abi::kDestroyReference, accesses}, {abi::kDestroyFactory, 1},
          // the input, the default slot array, the input's private copy, the result
          {abi::kDestroyArray, 4},
      };
      std::int64_t total = 0;
      for (const auto& e : expected) {
        SCOPED_TRACE("operation " + std::to_string(e.op) + ", round " + std::to_string(round));
        EXPECT_EQ(r.delta.calls[e.op], e.calls);
        total += e.calls;
      }
      EXPECT_EQ(r.delta.operations(), total);
      EXPECT_EQ(r.delta.arraysCreated - r.delta.arraysDestroyed, 1);  // the loader's copy of the result
    }
  }
}

TEST_F(GatewayTest, EveryAnswerOfTheUnshareOperationGivesTheSameResult) {
  const standin::UnshareMode modes[] = {standin::UnshareMode::natural, standin::UnshareMode::alwaysCopy,
                                        standin::UnshareMode::neverCopy};
  for (const Deliverable& d : deliverables()) {
    Loaded mex(d);
    for (standin::UnshareMode mode : modes) {
      SCOPED_TRACE(std::string(d.name) + ", unshare mode " + std::to_string(int(mode)));
      standin::forceUnshare(mode);
      HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
      const HostReport r = mex->call({q.get()});
      ASSERT_TRUE(r.succeeded()) << describe(r);
      EXPECT_EQ(bitsOf(r.outputs[0].read().doubles()), d.expected(kQ));
      EXPECT_EQ(bitsOf(q.read().doubles()), bitsOf(kQColumn));
    }
  }
}

// ---------------------------------------------------------------------------
// The adapter: counts, slots, the other entry points
// ---------------------------------------------------------------------------

TEST_F(GatewayTest, OutputSlotsAreHandedBackAsTheAdapterMadeThem) {
  struct Case {
    const char* name;
    std::int32_t firstCount;
    std::int32_t slots;
  } cases[] = {
      {"one slot", 1, 1},
      {"first count 0 is never consulted", 0, 1},
      {"first count larger than the slots", 5, 1},
      {"two slots", 2, 2},
      {"three slots, first count 1", 1, 3},
  };
  for (const Deliverable& d : deliverables()) {
    Loaded mex(d);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(d.name) + ": " + c.name);
      HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
      const HostReport r = mex->call(c.firstCount, c.slots, {q.get()});
      ASSERT_TRUE(r.succeeded()) << describe(r);
      ASSERT_EQ(r.outputCount, c.slots);
      ASSERT_EQ(r.outputs.size(), std::size_t(c.slots));
      EXPECT_EQ(bitsOf(r.outputs[0].read().doubles()), d.expected(kQ));
      for (std::int32_t i = 1; i < c.slots; ++i) {
        const Value extra = r.outputs[std::size_t(i)].read();
        EXPECT_EQ(extra.type, abi::kDouble) << "slot " << i;
        EXPECT_EQ(extra.numel(), 0u) << "slot " << i;  // the default array of operation 49
      }
      EXPECT_EQ(r.delta.calls[abi::kCreateDefaultArray], c.slots);
    }
  }
}

TEST_F(GatewayTest, EntryPointsOutsideTheCall) {
  for (const Deliverable& d : deliverables()) {
    SCOPED_TRACE(d.name);
    MexFile mex(d.path);
    // The version query needs no object, before, during and after its life.
    EXPECT_EQ(mex.requiredApiVersion(), (std::pair<std::int32_t, std::int32_t>(0x2024A, 0)));
    mex.classicGateway();  // returns at once, touches nothing
    const HostReport null = mex.destroyNull();
    EXPECT_EQ(null.errorCallbacks, 0);
    EXPECT_TRUE(null.problems.empty()) << describe(null);
    EXPECT_EQ(null.delta.operations(), 0);

    const HostReport created = mex.create();
    ASSERT_NE(mex.object(), nullptr);
    EXPECT_TRUE(created.problems.empty()) << describe(created);
    EXPECT_EQ(created.delta.operations(), 0);  // no data operation until a call
    EXPECT_EQ(mex.requiredApiVersion(), (std::pair<std::int32_t, std::int32_t>(0x2024A, 0)));
    expectGoodCall(d, mex);
    const HostReport destroyed = mex.destroy();
    EXPECT_EQ(destroyed.errorCallbacks, 0);
    EXPECT_TRUE(destroyed.problems.empty()) << describe(destroyed);
    EXPECT_EQ(mex.requiredApiVersion(), (std::pair<std::int32_t, std::int32_t>(0x2024A, 0)));
  }
}

// A std::exception from libmex while the object is built: reported with its
// message and no identifier, no object; the next creation works.
TEST_F(GatewayTest, CreationFailureIsReportedAndYieldsNoObject) {
  for (const Deliverable& d : deliverables()) {
    SCOPED_TRACE(d.name);
    MexFile mex(d.path);
    standin::reset();
    standin::failGetFunctionImpl(1);
    const HostReport failed = mex.create();
    EXPECT_EQ(mex.object(), nullptr);
    EXPECT_TRUE(failed.failedCleanly()) << describe(failed);
    EXPECT_EQ(failed.message, standin::kGetFunctionImplFailure);
    EXPECT_EQ(failed.identifier, "");
    const HostReport created = mex.create();
    ASSERT_NE(mex.object(), nullptr);
    EXPECT_TRUE(created.problems.empty()) << describe(created);
    expectGoodCall(d, mex);
  }
}

// A std::exception from libmex while the object is destroyed: reported once
// with its message and no identifier; the handle went back, nothing is left
// (the object's storage is freed: the sanitizer build's leak check sees it).
TEST_F(GatewayTest, DestructionFailureIsReportedOnce) {
  for (const Deliverable& d : deliverables()) {
    SCOPED_TRACE(d.name);
    MexFile mex(d.path);
    mex.create();
    expectGoodCall(d, mex);
    standin::reset();
    standin::failDestroyFunctionImpl(1);
    const HostReport failed = mex.destroy();
    EXPECT_TRUE(failed.failedCleanly()) << describe(failed);
    EXPECT_EQ(failed.message, standin::kDestroyFunctionImplFailure);
    EXPECT_EQ(failed.identifier, "");
    EXPECT_EQ(standin::live().functions, 0);
    // The file stays usable: a new object is made, called and destroyed.
    EXPECT_TRUE(mex.create().problems.empty());
    expectGoodCall(d, mex);
    const HostReport destroyed = mex.destroy();
    EXPECT_EQ(destroyed.errorCallbacks, 0);
    EXPECT_TRUE(destroyed.problems.empty()) << describe(destroyed);
  }
}

// ---------------------------------------------------------------------------
// Calls that fail
// ---------------------------------------------------------------------------

TEST_F(GatewayTest, BadCallsFailWithTheirMessageAndAssignNothing) {
  const std::vector<double> six{0.1, -0.4, 0.9, 0.3, 1.2, -2.0};
  struct Case {
    const char* name;
    std::vector<Value> inputs;
    std::int32_t slots;
    const char* message;
    std::int64_t reads;    // calls of the read operation, the failing one included
    bool computed;         // the result was created and written
  } cases[] = {
      {"no input", {}, 1, kOutOfRange, 0, false},
      {"no input and no output slot", {}, 0, kOutOfRange, 0, false},
      {"no output slot: computed, then refused", {standin::doubles({6, 1}, six)}, 0, kOutOfRange, 6, true},
      {"single", {standin::numeric<float>(abi::kSingle, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"int8", {standin::numeric<std::int8_t>(abi::kInt8, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"uint8", {standin::numeric<std::uint8_t>(abi::kUInt8, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"int16", {standin::numeric<std::int16_t>(abi::kInt16, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"uint16", {standin::numeric<std::uint16_t>(abi::kUInt16, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"int32", {standin::numeric<std::int32_t>(abi::kInt32, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"uint32", {standin::numeric<std::uint32_t>(abi::kUInt32, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"int64", {standin::numeric<std::int64_t>(abi::kInt64, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"uint64", {standin::numeric<std::uint64_t>(abi::kUInt64, {6, 1}, {0, 1, 2, 3, 4, 5})}, 1, kNotDouble, 0, false},
      {"logical", {standin::logicals({6, 1}, {0, 1, 0, 1, 0, 1})}, 1, kNotDouble, 0, false},
      {"char", {standin::text("abcdef")}, 1, kNotDouble, 0, false},
      {"cell", {standin::cell({6, 1}, std::vector<Value>(6, standin::doubles({1, 1}, {0})))}, 1, kNotDouble, 0, false},
      {"struct", {standin::structure({1, 1}, {"q"}, {standin::doubles({6, 1}, six)})}, 1, kNotDouble, 0, false},
      {"complex double", {standin::complexDoubles({6, 1}, std::vector<std::complex<double>>(6, {0.5, 0.0}))}, 1, kNotDouble, 0, false},
      {"sparse double", {standin::sparseDoubles({6, 1}, six)}, 1, kNotDouble, 0, false},
      {"wrong class, no output slot", {standin::text("abcdef")}, 0, kNotDouble, 0, false},
      // Shape is never checked: the first element that is not there fails.
      {"1x6 row fails at [1][0]", {standin::doubles({1, 6}, six)}, 1, "Array index is invalid.", 1, false},
      {"scalar fails at [1][0]", {standin::doubles({1, 1}, {0.5})}, 1, "Array index is invalid.", 1, false},
      {"5x1 column fails at [5][0]", {standin::doubles({5, 1}, {1, 2, 3, 4, 5})}, 1, "Array index is invalid.", 5, false},
      {"6x1x2: two indices on three dimensions", {standin::doubles({6, 1, 2}, std::vector<double>(12, 0.5))}, 1,
       "Not enough indices provided.", 1, false},
      {"0x0 fails at [0][0]", {standin::doubles({0, 0}, {})}, 1, "Can't index into an empty array.", 0, false},
      {"6x0 fails at [0][0]", {standin::doubles({6, 0}, {})}, 1, "Can't index into an empty array.", 0, false},
  };
  for (const Deliverable& d : deliverables()) {
    Loaded mex(d);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(d.name) + ": " + c.name);
      std::vector<HostArray> held;
      std::vector<abi::ArrayImpl*> raw;
      for (const Value& v : c.inputs) {
        held.push_back(HostArray::make(v));
        raw.push_back(held.back().get());
      }
      const HostReport r = mex->call(raw, c.slots);
      EXPECT_TRUE(r.failedCleanly()) << describe(r);
      EXPECT_EQ(r.message, c.message);
      EXPECT_EQ(r.identifier, "");
      EXPECT_EQ(r.delta.calls[abi::kCreateFactory], 1);  // always made first
      EXPECT_EQ(r.delta.calls[abi::kReferenceGetAddress], c.reads);
      EXPECT_EQ(r.delta.calls[abi::kCreateArrayWithDims], c.computed ? 1 : 0);
      EXPECT_EQ(r.delta.calls[abi::kReferenceAssign], c.computed ? std::int64_t(d.size) * d.size : 0);
      expectGoodCall(d, *mex);
    }
  }
}

// A status from any status-returning operation at any of its calls (a null
// array from operation 49): the call fails with that status's message and no
// identifier, nothing is left behind, and the next call succeeds.
TEST_F(GatewayTest, AFaultAtEveryHostOperationFailsCleanly) {
  struct Status {
    std::int32_t code;
    const char* message;
  } statuses[] = {
      {1, "Array index is invalid."},
      {5, "Not enough indices provided."},
      {6, "Too many indices provided."},
      {8, "Data type mismatch."},
      {9, "Array type mismatch."},
      {19, "Not enough memory available to support the request."},
      {21, "Can't index into an empty array."},
      {22, "The specified feature is not supported."},
      {28, ""},  // the caller supplies the message; on this road it is empty
      {29, ""},
      {2, "Array operation failed with error code 2."},
      {51, "Array operation failed with error code 51."},
      {4, "System Error."},
      {20, "System Error."},
      {48, "System Error."},
      {52, "System Error."},
      {-1, "System Error."},
      {1000, "System Error."},
  };
  const int ops[] = {abi::kCreateDefaultArray, abi::kCreateFactory,       abi::kGetArrayType,
                     abi::kCanViewAs,          abi::kArrayGetReference,   abi::kReferenceAddIndex,
                     abi::kReferenceGetAddress, abi::kCreateArrayWithDims, abi::kReferenceAssign};
  std::size_t next = 0;
  for (const Deliverable& d : deliverables()) {
    Loaded mex(d);
    HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
    HostArray extra = HostArray::make(standin::text("extra"));
    standin::reset();
    const HostReport probe = mex->call({q.get(), extra.get()}, 2);
    ASSERT_TRUE(probe.succeeded()) << describe(probe);
    for (int op : ops) {
      const std::int64_t calls = probe.delta.calls[op];
      ASSERT_GT(calls, 0) << "operation " << op;
      for (std::int64_t n = 1; n <= calls; ++n) {
        const Status& s = statuses[next++ % (sizeof statuses / sizeof statuses[0])];
        SCOPED_TRACE(std::string(d.name) + ": operation " + std::to_string(op) + " call " +
                     std::to_string(n) + " returns " + std::to_string(s.code));
        standin::reset();
        standin::failOperation(op, std::uint64_t(n), s.code);
        const HostReport r = mex->call({q.get(), extra.get()}, 2);
        EXPECT_TRUE(r.failedCleanly()) << describe(r);
        // Operation 49 answers with the array or null, never a status: no
        // array is memory exhaustion.
        EXPECT_EQ(r.message, op == abi::kCreateDefaultArray ? "std::bad_alloc" : s.message);
        EXPECT_EQ(r.identifier, "");
        EXPECT_EQ(r.delta.injectedFaults, 1);
        EXPECT_EQ(r.delta.calls[op], n);  // nothing after the fault used it again
        standin::reset();
        const HostReport again = mex->call({q.get(), extra.get()}, 2);
        ASSERT_TRUE(again.succeeded()) << describe(again);
        EXPECT_EQ(bitsOf(again.outputs[0].read().doubles()), d.expected(kQ));
      }
    }
  }
}

// An operation the host library lacks: the first call that needs it fails
// with "This feature requires R2018a" and nothing left behind; once the host
// has it, the next call looks it up again and succeeds. Each row loads the
// file afresh, so nothing is looked up yet.
TEST_F(GatewayTest, AMissingOperationFailsAndIsLookedUpAgain) {
  const int ops[] = {abi::kCreateDefaultArray, abi::kCreateFactory,       abi::kDestroyFactory,
                     abi::kGetArrayType,       abi::kCanViewAs,           abi::kUnshareArray,
                     abi::kArrayGetReference,  abi::kReferenceAddIndex,   abi::kReferenceGetAddress,
                     abi::kDestroyReference,   abi::kCreateArrayWithDims, abi::kReferenceAssign};
  for (const Deliverable& d : deliverables()) {
    for (int op : ops) {
      SCOPED_TRACE(std::string(d.name) + ": operation " + std::to_string(op) + " missing");
      Loaded mex(d);
      standin::reset();
      standin::setMissing(op);
      HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
      const HostReport r = mex->call({q.get()});
      EXPECT_TRUE(r.failedCleanly()) << describe(r);
      EXPECT_EQ(r.message, kMissing);
      EXPECT_EQ(r.identifier, "");
      EXPECT_EQ(r.delta.injectedFaults, 0);
      standin::setMissing(op, false);
      expectGoodCall(d, *mex);
      EXPECT_EQ(standin::counts().lookups[op], 2);  // asked again after the failure
    }
  }
}

// Without operation 50 nothing can be given back to the host; the call still
// reports the failure instead of crashing, and works once the host has it.
TEST_F(GatewayTest, AMissingDestroyOperationIsReported) {
  for (const Deliverable& d : deliverables()) {
    SCOPED_TRACE(d.name);
    Loaded mex(d);
    standin::setMissing(abi::kDestroyArray);
    HostArray q = HostArray::make(standin::doubles({6, 1}, kQColumn));
    const HostReport r = mex->call({q.get()});
    EXPECT_EQ(r.outputCallbacks, 0);
    EXPECT_EQ(r.errorCallbacks, 1);
    EXPECT_EQ(r.message, kMissing);
    EXPECT_EQ(r.identifier, "");
    EXPECT_EQ(r.delta.operations(), 0);  // stopped before anything was made
    standin::setMissing(abi::kDestroyArray, false);
    expectGoodCall(d, *mex);
  }
}

}  // namespace
}  // namespace gateway_test
