// Concurrent first calls: each MEX file is loaded once and its object made,
// then several threads make their first call at the same moment, so that
// they race on the one-time lookups of every data operation. Run under
// ThreadSanitizer; every call must succeed with the exact result.
//
//   gateway_concurrency_test <armpose.mexa64> <armvelmap.mexa64>
#include "deliverables.hpp"

#include <standin/host.hpp>
#include <standin/loader.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace gateway_test {

namespace {

TEST(GatewayConcurrency, FirstCallsOnSeveralThreadsAtOnce) {
  constexpr int kThreads = 8;
  constexpr int kCallsPerThread = 20;
  const armkin::JointVector q{0.1, -0.4, 0.9, 0.3, 1.2, -2.0};
  const std::vector<double> column{q.q1, q.q2, q.q3, q.q4, q.q5, q.q6};

  for (const Deliverable& d : deliverables()) {
    SCOPED_TRACE(d.name);
    standin::MexFile mex(d.path);
    ASSERT_TRUE(mex.create().problems.empty());
    const std::vector<std::uint64_t> expected = d.expected(q);

    std::atomic<int> waiting{kThreads};
    std::vector<int> failures(kThreads, 0);
    std::vector<std::string> firstProblem(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        standin::HostArray input = standin::HostArray::make(standin::doubles({6, 1}, column));
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        for (int i = 0; i < kCallsPerThread; ++i) {
          const standin::HostReport r = mex.call({input.get()});
          const bool exact = r.succeeded() && r.outputs.size() == 1 &&
                             bitsOf(r.outputs[0].read().doubles()) == expected;
          if (!exact) {
            if (failures[std::size_t(t)]++ == 0) {
              firstProblem[std::size_t(t)] = r.message + (r.problems.empty() ? "" : "; " + r.problems[0]);
            }
          }
        }
      });
    }
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) {
      EXPECT_EQ(failures[std::size_t(t)], 0) << "thread " << t << ": " << firstProblem[std::size_t(t)];
    }
    const standin::HostReport destroyed = mex.destroy();
    EXPECT_TRUE(destroyed.problems.empty());
  }
}

}  // namespace
}  // namespace gateway_test
