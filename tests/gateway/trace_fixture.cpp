// trace_fixture.cpp — armpose written by hand against the binary contract
// alone, to show that the golden traces catch a misreading of it. Built once
// per TRACE_FIXTURE_* variant:
//   GOOD                    asks the host exactly what the built armpose asks,
//                           in the same order (a good call; an input that is
//                           not double)
//   UNIQUE_ALWAYS           tells operation 55 the view is its array's only
//                           owner even while it shares the caller's input
//   SWAPPED_VIEW_CODES      gives operation 59 the array's type code first and
//                           the requested code second
//   COLUMN_ORDER            writes the result column by column
//   RELEASE_LOOKED_UP_LATE  looks operation 50 up only after operation 49 has
//                           made an array, which it then could not give back
//   NO_UNSHARE              reads the input without asking operation 55 first
// Only the road of those two calls is modelled: the fixture checks no status
// and handles no other failure.
#include "hand_written_lifecycle.hpp"

#include <armkin/joint_vector.hpp>
#include <armkin/pose.hpp>
#include <matlab/host_abi.hpp>

#include <cstdint>

namespace mx = matlab::abi;

namespace {

// Looked up at first use and kept, as the interface layer does.
template <mx::Operation Index, typename Fn>
Fn op() {
  static const Fn fn = reinterpret_cast<Fn>(get_function_ptr(Index));
  return fn;
}

#if defined(TRACE_FIXTURE_UNIQUE_ALWAYS)
constexpr bool kAlwaysUnique = true;
#else
constexpr bool kAlwaysUnique = false;
#endif

// A writable view: before each element is referenced, its array is made
// unshared, and the view switches to the copy the host makes.
struct View {
  mx::ArrayImpl* array;
  bool unique;    // whether the view's handle is its array's only owner
  bool own;       // whether the view must give its array back

  mx::ReferenceImpl* reference(std::uint64_t row, std::uint64_t column) {
#if !defined(TRACE_FIXTURE_NO_UNSHARE)
    mx::ArrayImpl* copy = nullptr;
    if (op<mx::kUnshareArray, mx::UnshareArrayFn>()(array, kAlwaysUnique || unique, &copy)) {
      array = copy;
      unique = own = true;
    }
#endif
    op<mx::kDestroyReference, mx::DestroyReferenceFn>();
    mx::ReferenceImpl* r = nullptr;
    op<mx::kArrayGetReference, mx::ArrayGetReferenceFn>()(array, row, &r);
    op<mx::kReferenceAddIndex, mx::ReferenceAddIndexFn>()(r, column);
    return r;
  }
  double read(std::uint64_t row, std::uint64_t column) {
    mx::ReferenceImpl* r = reference(row, column);
    void* address = nullptr;
    op<mx::kReferenceGetAddress, mx::ReferenceGetAddressFn>()(r, &address);
    const double value = *static_cast<const double*>(address);
    op<mx::kDestroyReference, mx::DestroyReferenceFn>()(r);
    return value;
  }
  void write(std::uint64_t row, std::uint64_t column, double value) {
    mx::ReferenceImpl* r = reference(row, column);
    op<mx::kReferenceAssign, mx::ReferenceAssignFn>()(r, mx::kDouble, &value);
    op<mx::kDestroyReference, mx::DestroyReferenceFn>()(r);
  }
};

}  // namespace

extern "C" MATLAB_HOST_EXPORT void mexFunctionAdapter(std::int32_t, std::int32_t, std::int32_t,
                                                      mx::ArrayImpl** inputs, void*, mx::OutputCallback output,
                                                      mx::ErrorCallback error) {
#if defined(TRACE_FIXTURE_RELEASE_LOOKED_UP_LATE)
  mx::ArrayImpl* slot = op<mx::kCreateDefaultArray, mx::CreateDefaultArrayFn>()();
  const auto destroy = op<mx::kDestroyArray, mx::DestroyArrayFn>();
#else
  const auto destroy = op<mx::kDestroyArray, mx::DestroyArrayFn>();
  mx::ArrayImpl* slot = op<mx::kCreateDefaultArray, mx::CreateDefaultArrayFn>()();
#endif
  const auto destroyFactory = op<mx::kDestroyFactory, mx::DestroyFactoryFn>();
  mx::ArrayFactoryImpl* factory = nullptr;
  op<mx::kCreateFactory, mx::CreateFactoryFn>()(&factory);

  std::int32_t type = -1;
  op<mx::kGetArrayType, mx::GetArrayTypeFn>()(inputs[0], &type);
  bool yes = false;
#if defined(TRACE_FIXTURE_SWAPPED_VIEW_CODES)
  op<mx::kCanViewAs, mx::CanViewAsFn>()(type, mx::kDouble, &yes);
#else
  op<mx::kCanViewAs, mx::CanViewAsFn>()(mx::kDouble, type, &yes);
#endif
  if (!yes) {
    destroyFactory(factory);
    error("Can't convert the Array to this TypedArray", "");
    destroy(slot);
    destroy(inputs[0]);
    return;
  }

  View angles{inputs[0], false, false};
  armkin::JointVector q;
  q.q1 = angles.read(0, 0);
  q.q2 = angles.read(1, 0);
  q.q3 = angles.read(2, 0);
  q.q4 = angles.read(3, 0);
  q.q5 = angles.read(4, 0);
  q.q6 = angles.read(5, 0);

  const std::uint64_t dims[2] = {4, 4};
  mx::ArrayImpl* created = nullptr;
  op<mx::kCreateArrayWithDims, mx::CreateArrayWithDimsFn>()(factory, mx::kDouble, dims, 2, &created);
  View result{created, true, true};
  const armkin::PoseMatrix T = armkin::computeEndEffectorPose(q);
#if defined(TRACE_FIXTURE_COLUMN_ORDER)
  for (int c = 1; c <= 4; ++c)
    for (int r = 1; r <= 4; ++r) result.write(std::uint64_t(r - 1), std::uint64_t(c - 1), T(r, c));
#else
  for (int r = 1; r <= 4; ++r)
    for (int c = 1; c <= 4; ++c) result.write(std::uint64_t(r - 1), std::uint64_t(c - 1), T(r, c));
#endif

  destroy(slot);  // slot 0 now holds the result
  if (angles.own) destroy(angles.array);
  destroyFactory(factory);
  output(1, &result.array);
  destroy(result.array);
  destroy(inputs[0]);
}

extern "C" MATLAB_HOST_EXPORT void mexFunction(int, void**, int, const void**) {}
