// One whole MATLAB call of each built MEX file, in-process through the
// stand-in host: the host hands a shared copy of the angle array to
// mexFunctionAdapter, the adapter wraps it, makes the output slot, runs the
// gateway (factory, view, six reads, result array, 16 or 36 writes) and hands
// the result back. Compare with BM_Pose and BM_Jacobian, the kinematics alone.
//
// Counters, per call: host_ops (data operations called), element_refs
// (element references made and given back), arrays (host arrays made,
// including the host's own copy of the input).
#include <matlab/host_abi.hpp>
#include <standin/host.hpp>
#include <standin/loader.hpp>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "joint_angles.hpp"

namespace {

namespace abi = matlab::abi;

int gOutputs = 0;
int gErrors = 0;

void onOutput(std::int32_t, abi::ArrayImpl**) { ++gOutputs; }
void onError(const char*, const char*) { ++gErrors; }

void mexCall(benchmark::State& state, const char* path) {
  standin::MexFile mex(path);
  if (!mex.create().problems.empty() || mex.object() == nullptr) {
    state.SkipWithError("the MEX function object could not be made");
    return;
  }
  std::vector<standin::HostArray> inputs;
  for (const armkin::JointVector& q : armkin::bench::angleTable()) {
    inputs.push_back(standin::HostArray::make(standin::doubles({6, 1}, {q.q1, q.q2, q.q3, q.q4, q.q5, q.q6})));
  }
  const standin::EntryPoints& entry = mex.entryPoints();
  void* object = mex.object();

  gOutputs = 0;
  gErrors = 0;
  const standin::Counts before = standin::threadCounts();
  std::size_t i = 0;
  for (auto _ : state) {
    abi::ArrayImpl* given = standin::sharedCopy(inputs[i].get());  // the MEX file owns it now
    entry.adapter(1, 1, 1, &given, object, &onOutput, &onError);
    i = armkin::bench::nextAngleSet(i);
  }
  const standin::Counts spent = standin::threadCounts() - before;
  if (gErrors != 0 || gOutputs != static_cast<int>(state.iterations())) {
    state.SkipWithError("a call failed");
    return;
  }
  using benchmark::Counter;
  state.counters["host_ops"] = Counter(double(spent.operations()), Counter::kAvgIterations);
  state.counters["element_refs"] = Counter(double(spent.referencesCreated), Counter::kAvgIterations);
  state.counters["arrays"] = Counter(double(spent.arraysCreated), Counter::kAvgIterations);
}

void BM_MexCallPose(benchmark::State& state) { mexCall(state, ARMKIN_ARMPOSE_FILE); }
BENCHMARK(BM_MexCallPose);

void BM_MexCallJacobian(benchmark::State& state) { mexCall(state, ARMKIN_ARMVELMAP_FILE); }
BENCHMARK(BM_MexCallJacobian);

}  // namespace
