// The stand-in host's data library and libmex, called as a MEX file calls
// them: every data operation through get_function_ptr.
#include <standin/host.hpp>

#include <gtest/gtest.h>

#include <complex>
#include <cstring>
#include <iterator>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mx = matlab::abi;
using standin::HostArray;
using standin::Value;

namespace {

template <typename Fn>
Fn op(mx::Operation index) {
  auto fn = reinterpret_cast<Fn>(get_function_ptr(index));
  if (fn == nullptr) throw std::logic_error("operation " + std::to_string(index) + " missing");
  return fn;
}

class HostModel : public ::testing::Test {
 protected:
  void SetUp() override { standin::reset(); }
  void TearDown() override { standin::reset(); }

  std::int32_t typeOf(mx::ArrayImpl* a) {
    std::int32_t type = -1;
    EXPECT_EQ(op<mx::GetArrayTypeFn>(mx::kGetArrayType)(a, &type), 0);
    return type;
  }
  bool canView(std::int32_t requested, std::int32_t actual) {
    bool yes = false;
    EXPECT_EQ(op<mx::CanViewAsFn>(mx::kCanViewAs)(requested, actual, &yes), 0);
    return yes;
  }

  // The step at which an element access [indices...] fails (56, 16 or 93) and
  // its status, or {0, 0} with the element's address on success.
  struct Access {
    int step = 0;
    std::int32_t status = 0;
    void* address = nullptr;
  };
  Access access(mx::ArrayImpl* a, const std::vector<std::uint64_t>& indices) {
    Access r;
    mx::ReferenceImpl* ref = nullptr;
    if ((r.status = op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(a, indices.at(0), &ref)) != 0) {
      r.step = 56;
      return r;
    }
    for (std::size_t k = 1; k < indices.size() && r.status == 0; ++k)
      if ((r.status = op<mx::ReferenceAddIndexFn>(mx::kReferenceAddIndex)(ref, indices[k])) != 0) r.step = 16;
    if (r.status == 0 && (r.status = op<mx::ReferenceGetAddressFn>(mx::kReferenceGetAddress)(ref, &r.address)) != 0)
      r.step = 93;
    op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
    return r;
  }
  std::int32_t assign(mx::ArrayImpl* a, const std::vector<std::uint64_t>& indices, std::int32_t type,
                      const void* value) {
    mx::ReferenceImpl* ref = nullptr;
    std::int32_t s = op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(a, indices.at(0), &ref);
    if (s != 0) return s;
    for (std::size_t k = 1; k < indices.size() && s == 0; ++k)
      s = op<mx::ReferenceAddIndexFn>(mx::kReferenceAddIndex)(ref, indices[k]);
    if (s == 0) s = op<mx::ReferenceAssignFn>(mx::kReferenceAssign)(ref, type, value);
    op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
    return s;
  }
};

std::vector<double> iota(std::size_t n) {
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<double>(i);
  return v;
}

TEST_F(HostModel, GetFunctionPtrHasExactlyTheContractsOperations) {
  const int present[] = {1, 14, 15, 16, 23, 49, 50, 53, 55, 56, 59, 93, 95};
  for (int index = -2; index < 200; ++index) {
    SCOPED_TRACE(index);
    bool expected = false;
    for (int p : present) expected = expected || p == index;
    EXPECT_EQ(get_function_ptr(index) != nullptr, expected);
  }
  for (int index : present) {
    SCOPED_TRACE(index);
    standin::setMissing(index);
    EXPECT_EQ(get_function_ptr(index), nullptr);
    standin::setMissing(index, false);
    EXPECT_NE(get_function_ptr(index), nullptr);
    standin::setMissing(index);
    standin::reset();
    EXPECT_NE(get_function_ptr(index), nullptr) << "reset() restores a missing operation";
    EXPECT_EQ(standin::counts().lookups[index], 1) << "every lookup is counted";
  }
}

TEST_F(HostModel, EveryClassHasItsOwnCodeAndOnlyRealDoubleViewsAsDouble) {
  struct Case {
    const char* name;
    Value value;
    std::int32_t code;
  } cases[] = {
      {"double", standin::doubles({2, 3}, iota(6)), mx::kDouble},
      {"single", standin::numeric<float>(mx::kSingle, {2, 1}, {1.5f, 2.5f}), mx::kSingle},
      {"int8", standin::numeric<std::int8_t>(mx::kInt8, {1, 2}, {-1, 2}), mx::kInt8},
      {"uint8", standin::numeric<std::uint8_t>(mx::kUInt8, {1, 1}, {200}), mx::kUInt8},
      {"int16", standin::numeric<std::int16_t>(mx::kInt16, {1, 1}, {-300}), mx::kInt16},
      {"uint16", standin::numeric<std::uint16_t>(mx::kUInt16, {1, 1}, {60000}), mx::kUInt16},
      {"int32", standin::numeric<std::int32_t>(mx::kInt32, {1, 1}, {-7}), mx::kInt32},
      {"uint32", standin::numeric<std::uint32_t>(mx::kUInt32, {1, 1}, {7}), mx::kUInt32},
      {"int64", standin::numeric<std::int64_t>(mx::kInt64, {1, 1}, {-(std::int64_t{1} << 60)}), mx::kInt64},
      {"uint64", standin::numeric<std::uint64_t>(mx::kUInt64, {1, 1}, {std::uint64_t{1} << 63}), mx::kUInt64},
      {"logical", standin::logicals({1, 3}, {1, 0, 1}), mx::kLogical},
      {"char", standin::text("armpose"), mx::kChar},
      {"cell", standin::cell({1, 2}, {standin::doubles({6, 1}, iota(6)), standin::text("q")}), mx::kCell},
      {"struct", standin::structure({1, 1}, {"q", "name"}, {standin::doubles({6, 1}, iota(6)), standin::text("a")}),
       mx::kStruct},
      {"complex double", standin::complexDoubles({2, 1}, {{1, 2}, {3, -4}}), mx::kComplexDouble},
      {"sparse double", standin::sparseDoubles({6, 1}, {0, 0, 3, 0, 0, 1}), mx::kSparseDouble},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostArray a = HostArray::make(c.value);
    EXPECT_EQ(typeOf(a.get()), c.code);
    EXPECT_EQ(canView(mx::kDouble, c.code), c.code == mx::kDouble);
    EXPECT_TRUE(canView(c.code, c.code));
    const Value back = a.read();
    EXPECT_EQ(back.type, c.code);
    EXPECT_EQ(back.dims, c.value.dims);
    EXPECT_EQ(back.bytes, c.value.bytes);
    ASSERT_EQ(back.elements.size(), c.value.elements.size());
    for (std::size_t i = 0; i < back.elements.size(); ++i) EXPECT_EQ(back.elements[i].bytes, c.value.elements[i].bytes);
    EXPECT_EQ(back.fields, c.value.fields);
  }
}

TEST_F(HostModel, InconsistentValuesAreRefused) {
  struct Case {
    const char* name;
    Value value;
  } cases[] = {
      {"too few bytes", standin::doubles({6, 1}, iota(5))},
      {"too many bytes", standin::doubles({0, 0}, iota(1))},
      {"cell with one element missing", standin::cell({1, 2}, {standin::doubles({1, 1}, {1})})},
      {"struct with a field value missing", standin::structure({1, 1}, {"a", "b"}, {standin::doubles({1, 1}, {1})})},
      {"class not modelled", [] {
         Value v;
         v.type = mx::kObject;
         return v;
       }()},
      {"bad nested element", standin::cell({1, 1}, {standin::doubles({2, 2}, iota(3))})},
  };
  const standin::Live before = standin::live();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(standin::createArray(c.value), std::invalid_argument);
  }
  EXPECT_EQ(standin::live().arrays, before.arrays);
}

TEST_F(HostModel, DimensionsAreNormalisedAsTheHostStoresThem) {
  struct Case {
    std::vector<std::uint64_t> given;
    std::vector<std::uint64_t> stored;
  } cases[] = {
      {{6}, {6, 1}}, {{}, {0, 0}}, {{6, 1, 1}, {6, 1}}, {{2, 3, 1, 4, 1, 1}, {2, 3, 1, 4}}, {{1, 1, 1}, {1, 1}},
      {{0, 3, 2}, {0, 3, 2}},
  };
  const auto create = op<mx::CreateArrayWithDimsFn>(mx::kCreateArrayWithDims);
  mx::ArrayFactoryImpl* factory = nullptr;
  ASSERT_EQ(op<mx::CreateFactoryFn>(mx::kCreateFactory)(&factory), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.given));
    mx::ArrayImpl* raw = nullptr;
    ASSERT_EQ(create(factory, mx::kDouble, c.given.data(), c.given.size(), &raw), 0);
    HostArray a(raw);
    const Value v = a.read();
    EXPECT_EQ(v.dims, c.stored);
    EXPECT_EQ(v.doubles(), std::vector<double>(v.numel(), 0.0)) << "new elements are zero";
    HostArray made = HostArray::make(standin::doubles(c.given, std::vector<double>(v.numel(), 1.0)));
    EXPECT_EQ(made.read().dims, c.stored);
  }
  op<mx::DestroyFactoryFn>(mx::kDestroyFactory)(factory);
}

TEST_F(HostModel, CreateOperationsMakeZeroedArraysOfTheGivenClass) {
  const auto create = op<mx::CreateArrayWithDimsFn>(mx::kCreateArrayWithDims);
  mx::ArrayFactoryImpl* factory = nullptr;
  ASSERT_EQ(op<mx::CreateFactoryFn>(mx::kCreateFactory)(&factory), 0);
  const std::uint64_t dims[] = {4, 4};
  struct Case {
    std::int32_t type;
    std::int32_t status;
    std::size_t bytes;
    std::size_t elements;
  } cases[] = {
      {mx::kDouble, 0, 128, 0},       {mx::kSingle, 0, 64, 0},          {mx::kUInt8, 0, 16, 0},
      {mx::kLogical, 0, 16, 0},       {mx::kChar, 0, 32, 0},            {mx::kComplexDouble, 0, 256, 0},
      {mx::kSparseDouble, 0, 128, 0}, {mx::kCell, 0, 0, 16},            {mx::kStruct, 0, 0, 0},
      {mx::kObject, 22, 0, 0},        {mx::kMatlabString, 22, 0, 0},    {mx::kUnknown, 22, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    mx::ArrayImpl* raw = nullptr;
    ASSERT_EQ(create(factory, c.type, dims, 2, &raw), c.status);
    if (c.status != 0) {
      EXPECT_EQ(raw, nullptr);
      continue;
    }
    HostArray a(raw);
    const Value v = a.read();
    EXPECT_EQ(v.type, c.type);
    EXPECT_EQ(v.bytes, std::vector<unsigned char>(c.bytes, 0));
    ASSERT_EQ(v.elements.size(), c.elements);
    for (const Value& e : v.elements) EXPECT_EQ(e.dims, (std::vector<std::uint64_t>{0, 0}));
  }
  const std::uint64_t huge[] = {std::uint64_t{1} << 40, std::uint64_t{1} << 40};
  mx::ArrayImpl* raw = nullptr;
  EXPECT_EQ(create(factory, mx::kDouble, huge, 2, &raw), 19);
  EXPECT_EQ(create(factory, mx::kDouble, dims, 2, nullptr), 20);
  EXPECT_EQ(create(nullptr, mx::kDouble, dims, 2, &raw), 20);
  EXPECT_EQ(raw, nullptr);
  op<mx::DestroyFactoryFn>(mx::kDestroyFactory)(factory);

  raw = op<mx::CreateDefaultArrayFn>(mx::kCreateDefaultArray)();
  ASSERT_NE(raw, nullptr);
  HostArray d(raw);
  EXPECT_EQ(typeOf(d.get()), mx::kDouble);
  EXPECT_EQ(d.read().dims, (std::vector<std::uint64_t>{0, 0}));
}

TEST_F(HostModel, UnshareCopiesExactlyWhenTheHandleOrItsDataIsShared) {
  struct Case {
    const char* name;
    bool dataShared;
    bool unique;
    standin::UnshareMode mode;
    bool copies;
  } cases[] = {
      {"private data, unique handle", false, true, standin::UnshareMode::natural, false},
      {"private data, shared handle", false, false, standin::UnshareMode::natural, true},
      {"shared data, unique handle", true, true, standin::UnshareMode::natural, true},
      {"shared data, shared handle", true, false, standin::UnshareMode::natural, true},
      {"forced copy", false, true, standin::UnshareMode::alwaysCopy, true},
      {"forced no copy", true, false, standin::UnshareMode::neverCopy, false},
  };
  const auto unshare = op<mx::UnshareArrayFn>(mx::kUnshareArray);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::forceUnshare(c.mode);
    HostArray original = HostArray::make(standin::doubles({6, 1}, iota(6)));
    HostArray handle(c.dataShared ? standin::sharedCopy(original.get()) : nullptr);
    mx::ArrayImpl* a = c.dataShared ? handle.get() : original.get();
    const standin::Counts before = standin::counts();
    mx::ArrayImpl* out = nullptr;
    ASSERT_EQ(unshare(a, c.unique, &out), c.copies);
    EXPECT_EQ(standin::counts().arraysCreated - before.arraysCreated, c.copies ? 1 : 0);
    if (!c.copies) {
      EXPECT_EQ(out, nullptr) << "*out untouched";
      continue;
    }
    HostArray copy(out);
    ASSERT_NE(copy.get(), a);
    EXPECT_TRUE(standin::isLive(a)) << "the caller still holds the old handle";
    EXPECT_FALSE(standin::sharesData(copy.get(), a));
    EXPECT_EQ(copy.read().doubles(), iota(6));
    const double seven = 7;
    ASSERT_EQ(assign(copy.get(), {2, 0}, mx::kDouble, &seven), 0);
    EXPECT_EQ(copy.read().doubles()[2], 7);
    EXPECT_EQ(original.read().doubles(), iota(6)) << "a write to the copy leaves the original alone";
    mx::ArrayImpl* again = nullptr;
    if (c.mode == standin::UnshareMode::natural) {
      EXPECT_FALSE(unshare(copy.get(), true, &again));
    }
  }
}

TEST_F(HostModel, SharedCopiesShareDataUntilUnshared) {
  HostArray a = HostArray::make(standin::doubles({2, 2}, iota(4)));
  HostArray b(standin::sharedCopy(a.get()));
  EXPECT_TRUE(standin::sharesData(a.get(), b.get()));
  a.reset();
  EXPECT_EQ(b.read().doubles(), iota(4)) << "the data lives while one handle holds it";
  mx::ArrayImpl* out = nullptr;
  EXPECT_FALSE(op<mx::UnshareArrayFn>(mx::kUnshareArray)(b.get(), true, &out)) << "now the only holder";
  EXPECT_EQ(standin::sharedCopy(nullptr), nullptr);
}

TEST_F(HostModel, ElementReferencesCheckTheirIndices) {
  struct Case {
    const char* name;
    std::vector<std::uint64_t> dims;
    std::vector<std::uint64_t> indices;
    int step;
    std::int32_t status;
    std::uint64_t offset;  // column-major, on success
  } cases[] = {
      {"6x1, first row", {6, 1}, {0, 0}, 0, 0, 0},
      {"6x1, last row", {6, 1}, {5, 0}, 0, 0, 5},
      {"6x3, [4][2]", {6, 3}, {4, 2}, 0, 0, 16},
      {"2x3x4, [1][2][3]", {2, 3, 4}, {1, 2, 3}, 0, 0, 23},
      {"6x1x1 is 6x1", {6, 1, 1}, {3, 0}, 0, 0, 3},
      {"5-D, last element", {2, 2, 2, 2, 3}, {1, 1, 1, 1, 2}, 0, 0, 47},
      {"5-D, six indices", {2, 2, 2, 2, 3}, {1, 1, 1, 1, 2, 0}, 16, 6, 0},
      {"5-D, four indices", {2, 2, 2, 2, 3}, {1, 1, 1, 1}, 93, 5, 0},
      {"6x1, row 6", {6, 1}, {6, 0}, 56, 1, 0},
      {"6x1, column 1", {6, 1}, {0, 1}, 16, 1, 0},
      {"1x6 row, [1][0]", {1, 6}, {1, 0}, 56, 1, 0},
      {"scalar, [1][0]", {1, 1}, {1, 0}, 56, 1, 0},
      {"5x1, [5][0]", {5, 1}, {5, 0}, 56, 1, 0},
      {"0x0, [0][0]", {0, 0}, {0, 0}, 56, 21, 0},
      {"0x1, [0][0]", {0, 1}, {0, 0}, 56, 21, 0},
      {"6x0, [0][0]", {6, 0}, {0, 0}, 56, 21, 0},
      {"6x1, three indices", {6, 1}, {2, 0, 0}, 16, 6, 0},
      {"6x1, one index", {6, 1}, {2}, 93, 5, 0},
      {"2x3x4, two indices", {2, 3, 4}, {1, 2}, 93, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint64_t n = 1;
    for (std::uint64_t d : c.dims) n *= d;
    HostArray a = HostArray::make(standin::doubles(c.dims, iota(n)));
    const Access r = access(a.get(), c.indices);
    EXPECT_EQ(r.step, c.step);
    EXPECT_EQ(r.status, c.status);
    if (c.status == 0) {
      ASSERT_NE(r.address, nullptr);
      EXPECT_EQ(*static_cast<const double*>(r.address), static_cast<double>(c.offset));
    }
  }
  EXPECT_EQ(standin::live().references, 0);
}

TEST_F(HostModel, AssignmentNeedsTheArraysOwnClass) {
  const double d = 2.5;
  const float f = 1.5f;
  const char16_t ch = u'x';
  const std::complex<double> z{1, -1};
  struct Case {
    const char* name;
    Value value;
    std::int32_t type;
    const void* element;
    std::int32_t assignStatus;
    std::int32_t addressStatus;
  } cases[] = {
      {"double <- double", standin::doubles({2, 1}, {0, 0}), mx::kDouble, &d, 0, 0},
      {"single <- single", standin::numeric<float>(mx::kSingle, {2, 1}, {0, 0}), mx::kSingle, &f, 0, 0},
      {"char <- char", standin::text("ab"), mx::kChar, &ch, 0, 0},
      {"complex <- complex", standin::complexDoubles({2, 1}, {0, 0}), mx::kComplexDouble, &z, 0, 0},
      {"single <- double", standin::numeric<float>(mx::kSingle, {2, 1}, {0, 0}), mx::kDouble, &d, 8, 0},
      {"double <- single", standin::doubles({2, 1}, {0, 0}), mx::kSingle, &f, 8, 0},
      {"complex <- double", standin::complexDoubles({2, 1}, {0, 0}), mx::kDouble, &d, 8, 0},
      {"sparse <- sparse", standin::sparseDoubles({2, 1}, {0, 0}), mx::kSparseDouble, &d, 22, 22},
      {"cell <- double", standin::cell({2, 1}, {standin::doubles({0, 0}, {}), standin::doubles({0, 0}, {})}),
       mx::kDouble, &d, 8, 22},
      {"null value", standin::doubles({2, 1}, {0, 0}), mx::kDouble, nullptr, 20, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostArray a = HostArray::make(c.value);
    const std::vector<std::uint64_t> index = c.value.type == mx::kChar ? std::vector<std::uint64_t>{0, 1}
                                                                        : std::vector<std::uint64_t>{1, 0};
    const Value before = a.read();
    EXPECT_EQ(assign(a.get(), index, c.type, c.element), c.assignStatus);
    const Value after = a.read();
    if (c.assignStatus == 0) {
      const std::size_t size = standin::elementBytes(c.type);
      EXPECT_EQ(std::memcmp(after.bytes.data() + size, c.element, size), 0);
    } else {
      EXPECT_EQ(after.bytes, before.bytes) << "a refused assignment changes nothing";
    }
    EXPECT_EQ(access(a.get(), index).status, c.addressStatus);
  }
}

TEST_F(HostModel, CountersFollowEveryObjectAndOperation) {
  const standin::Counts all0 = standin::counts();
  const standin::Counts mine0 = standin::threadCounts();
  const standin::Live live0 = standin::live();

  mx::ArrayFactoryImpl* factory = nullptr;
  ASSERT_EQ(op<mx::CreateFactoryFn>(mx::kCreateFactory)(&factory), 0);
  const std::uint64_t dims[] = {3, 1};
  mx::ArrayImpl* a = nullptr;
  ASSERT_EQ(op<mx::CreateArrayWithDimsFn>(mx::kCreateArrayWithDims)(factory, mx::kDouble, dims, 2, &a), 0);
  mx::ReferenceImpl* ref = nullptr;
  ASSERT_EQ(op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(a, 1, &ref), 0);
  EXPECT_EQ(standin::live().references, live0.references + 1);
  op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
  op<mx::DestroyFactoryFn>(mx::kDestroyFactory)(factory);
  mx::ArrayImpl* copy = standin::sharedCopy(a);
  op<mx::DestroyArrayFn>(mx::kDestroyArray)(a);
  op<mx::DestroyArrayFn>(mx::kDestroyArray)(a);  // a second time: refused, counted
  op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
  op<mx::DestroyFactoryFn>(mx::kDestroyFactory)(nullptr);
  EXPECT_FALSE(standin::destroyArray(nullptr));
  EXPECT_TRUE(standin::destroyArray(copy));

  for (const standin::Counts& d : {standin::counts() - all0, standin::threadCounts() - mine0}) {
    EXPECT_EQ(d.factoriesCreated, 1);
    EXPECT_EQ(d.factoriesDestroyed, 1);
    EXPECT_EQ(d.arraysCreated, 2);
    EXPECT_EQ(d.arraysDestroyed, 2);
    EXPECT_EQ(d.referencesCreated, 1);
    EXPECT_EQ(d.referencesDestroyed, 1);
    EXPECT_EQ(d.invalidDestroys, 4);
    EXPECT_EQ(d.calls[mx::kCreateFactory], 1);
    EXPECT_EQ(d.calls[mx::kDestroyArray], 2);
    EXPECT_EQ(d.calls[mx::kDestroyReference], 2);
    EXPECT_EQ(d.calls[mx::kDestroyFactory], 2);
    EXPECT_EQ(d.operations(), 1 + 1 + 1 + 2 + 2 + 2);
    EXPECT_EQ(d.lookups[mx::kDestroyArray], 2);
  }
  const standin::Live live1 = standin::live();
  EXPECT_EQ(live1.arrays, live0.arrays);
  EXPECT_EQ(live1.factories, live0.factories);
  EXPECT_EQ(live1.references, live0.references);

  standin::reset();
  EXPECT_EQ(standin::counts().arraysCreated, 0);
  EXPECT_EQ(standin::counts().operations(), 0);
  EXPECT_EQ((standin::threadCounts() - mine0).arraysCreated, 2) << "thread counters are never reset";
}

TEST_F(HostModel, AnyStatusOperationFailsAtItsNthCallAndThenRecovers) {
  mx::ArrayFactoryImpl* factory = nullptr;
  ASSERT_EQ(op<mx::CreateFactoryFn>(mx::kCreateFactory)(&factory), 0);
  HostArray array = HostArray::make(standin::doubles({2, 2}, iota(4)));
  const double value = 1;
  // One call of each status-returning operation, returning its status.
  struct Case {
    mx::Operation index;
    std::int32_t (*call)(mx::ArrayFactoryImpl*, mx::ArrayImpl*, const double*);
  } cases[] = {
      {mx::kCreateArrayWithDims,
       [](mx::ArrayFactoryImpl* f, mx::ArrayImpl*, const double*) {
         const std::uint64_t dims[] = {1, 1};
         mx::ArrayImpl* out = nullptr;
         const std::int32_t s = op<mx::CreateArrayWithDimsFn>(mx::kCreateArrayWithDims)(f, mx::kDouble, dims, 2, &out);
         HostArray keep(out);
         return s;
       }},
      {mx::kCreateFactory,
       [](mx::ArrayFactoryImpl*, mx::ArrayImpl*, const double*) {
         mx::ArrayFactoryImpl* out = nullptr;
         const std::int32_t s = op<mx::CreateFactoryFn>(mx::kCreateFactory)(&out);
         if (out != nullptr) op<mx::DestroyFactoryFn>(mx::kDestroyFactory)(out);
         return s;
       }},
      {mx::kReferenceAddIndex,
       [](mx::ArrayFactoryImpl*, mx::ArrayImpl* a, const double*) {
         mx::ReferenceImpl* ref = nullptr;
         op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(a, 1, &ref);
         const std::int32_t s = op<mx::ReferenceAddIndexFn>(mx::kReferenceAddIndex)(ref, 1);
         op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
         return s;
       }},
      {mx::kGetArrayType,
       [](mx::ArrayFactoryImpl*, mx::ArrayImpl* a, const double*) {
         std::int32_t type = -1;
         return op<mx::GetArrayTypeFn>(mx::kGetArrayType)(a, &type);
       }},
      {mx::kArrayGetReference,
       [](mx::ArrayFactoryImpl*, mx::ArrayImpl* a, const double*) {
         mx::ReferenceImpl* ref = nullptr;
         const std::int32_t s = op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(a, 1, &ref);
         if (ref != nullptr) op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
         return s;
       }},
      {mx::kCanViewAs,
       [](mx::ArrayFactoryImpl*, mx::ArrayImpl*, const double*) {
         bool yes = false;
         return op<mx::CanViewAsFn>(mx::kCanViewAs)(mx::kDouble, mx::kDouble, &yes);
       }},
      {mx::kReferenceGetAddress,
       [](mx::ArrayFactoryImpl*, mx::ArrayImpl* a, const double*) {
         mx::ReferenceImpl* ref = nullptr;
         op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(a, 1, &ref);
         op<mx::ReferenceAddIndexFn>(mx::kReferenceAddIndex)(ref, 1);
         void* address = nullptr;
         const std::int32_t s = op<mx::ReferenceGetAddressFn>(mx::kReferenceGetAddress)(ref, &address);
         op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
         return s;
       }},
      {mx::kReferenceAssign,
       [](mx::ArrayFactoryImpl*, mx::ArrayImpl* a, const double* v) {
         mx::ReferenceImpl* ref = nullptr;
         op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(a, 1, &ref);
         op<mx::ReferenceAddIndexFn>(mx::kReferenceAddIndex)(ref, 1);
         const std::int32_t s = op<mx::ReferenceAssignFn>(mx::kReferenceAssign)(ref, mx::kDouble, v);
         op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
         return s;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    standin::reset();
    const standin::Live live0 = standin::live();
    standin::failOperation(c.index, 2, 19);
    standin::failOperation(c.index, 4, 51, 2);
    const std::int32_t expected[] = {0, 19, 0, 51, 51, 0};
    for (std::size_t call = 0; call < std::size(expected); ++call) {
      SCOPED_TRACE(call + 1);
      EXPECT_EQ(c.call(factory, array.get(), &value), expected[call]);
    }
    EXPECT_EQ(standin::counts().injectedFaults, 3);
    EXPECT_EQ(standin::live().arrays, live0.arrays) << "a failed call makes nothing";
    EXPECT_EQ(standin::live().factories, live0.factories);
    EXPECT_EQ(standin::live().references, live0.references);
    standin::reset();
    EXPECT_EQ(c.call(factory, array.get(), &value), 0) << "reset() clears the rules";
  }
  op<mx::DestroyFactoryFn>(mx::kDestroyFactory)(factory);
}

TEST_F(HostModel, FunctionHandlesAreCountedCheckedAndCanFailToBeMade) {
  const standin::Counts before = standin::counts();
  void* first = mexGetFunctionImpl();
  void* second = mexGetFunctionImpl();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(standin::live().functions, 2);
  EXPECT_EQ(mexDestroyFunctionImpl(first), 0);
  EXPECT_NE(mexDestroyFunctionImpl(first), 0) << "given back twice";
  EXPECT_NE(mexDestroyFunctionImpl(nullptr), 0);
  int local = 0;
  EXPECT_NE(mexDestroyFunctionImpl(&local), 0) << "never handed out";
  EXPECT_EQ(mexDestroyFunctionImpl(second), 0);
  const standin::Counts d = standin::counts() - before;
  EXPECT_EQ(d.functionsCreated, 2);
  EXPECT_EQ(d.functionsDestroyed, 2);
  EXPECT_EQ(d.invalidDestroys, 3);
  EXPECT_EQ(standin::live().functions, 0);

  standin::reset();
  standin::failGetFunctionImpl(2);
  void* ok = mexGetFunctionImpl();
  try {
    mexGetFunctionImpl();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), standin::kGetFunctionImplFailure);
  }
  void* again = mexGetFunctionImpl();
  EXPECT_EQ(standin::live().functions, 2);
  EXPECT_EQ(standin::counts().injectedFaults, 1);
  mexDestroyFunctionImpl(ok);
  mexDestroyFunctionImpl(again);

  // A throwing mexDestroyFunctionImpl has taken the handle back first.
  standin::reset();
  standin::failDestroyFunctionImpl(2);
  void* a = mexGetFunctionImpl();
  void* b = mexGetFunctionImpl();
  void* c = mexGetFunctionImpl();
  EXPECT_EQ(mexDestroyFunctionImpl(a), 0);
  try {
    mexDestroyFunctionImpl(b);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), standin::kDestroyFunctionImplFailure);
  }
  EXPECT_EQ(mexDestroyFunctionImpl(c), 0);
  EXPECT_EQ(standin::live().functions, 0);
  EXPECT_EQ(standin::counts().functionsDestroyed, 3);
  EXPECT_EQ(standin::counts().invalidDestroys, 0);
  EXPECT_EQ(standin::counts().injectedFaults, 1);
}

// Operation 49 has no status: an injected fault, whatever its code, is a
// null answer and makes nothing.
TEST_F(HostModel, AFaultyDefaultArrayIsNull) {
  const auto create = op<mx::CreateDefaultArrayFn>(mx::kCreateDefaultArray);
  const standin::Live live0 = standin::live();
  standin::failOperation(mx::kCreateDefaultArray, 2, 19);
  HostArray first(create());
  EXPECT_NE(first.get(), nullptr);
  EXPECT_EQ(create(), nullptr);
  HostArray third(create());
  EXPECT_NE(third.get(), nullptr);
  EXPECT_EQ(standin::live().arrays, live0.arrays + 2);
  EXPECT_EQ(standin::counts().injectedFaults, 1);
}

}  // namespace
