// The stand-in host under concurrent use: first lookups, operations and loader
// calls from several threads at once (run under ThreadSanitizer).
// Usage: standin_concurrency_test <good MEX file>
#include <standin/loader.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace mx = matlab::abi;

namespace {

std::string gGood;
constexpr int kThreads = 4;
constexpr int kRounds = 200;

// Runs `body(thread)` on kThreads threads released together.
template <typename Body>
void together(Body body) {
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      body(t);
    });
  for (std::thread& t : threads) t.join();
}

TEST(HostConcurrency, OperationsAndCountersFromManyThreads) {
  standin::reset();
  const standin::Live live0 = standin::live();
  standin::HostArray shared = standin::HostArray::make(standin::doubles({6, 1}, {1, 2, 3, 4, 5, 6}));
  std::atomic<int> failures{0};
  together([&](int) {
    for (int round = 0; round < kRounds; ++round) {
      // Shared copies of one array unshared and written on every thread.
      mx::ArrayImpl* mine = standin::sharedCopy(shared.get());
      mx::ArrayImpl* copy = nullptr;
      if (!reinterpret_cast<mx::UnshareArrayFn>(get_function_ptr(mx::kUnshareArray))(mine, false, &copy))
        failures.fetch_add(1);
      mx::ReferenceImpl* ref = nullptr;
      const double v = round;
      if (reinterpret_cast<mx::ArrayGetReferenceFn>(get_function_ptr(mx::kArrayGetReference))(copy, 2, &ref) != 0 ||
          reinterpret_cast<mx::ReferenceAddIndexFn>(get_function_ptr(mx::kReferenceAddIndex))(ref, 0) != 0 ||
          reinterpret_cast<mx::ReferenceAssignFn>(get_function_ptr(mx::kReferenceAssign))(ref, mx::kDouble, &v) != 0)
        failures.fetch_add(1);
      reinterpret_cast<mx::DestroyReferenceFn>(get_function_ptr(mx::kDestroyReference))(ref);
      const auto destroy = reinterpret_cast<mx::DestroyArrayFn>(get_function_ptr(mx::kDestroyArray));
      destroy(copy);
      destroy(mine);
      void* f = mexGetFunctionImpl();
      mexDestroyFunctionImpl(f);
    }
  });
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(shared.read().doubles(), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  const standin::Counts c = standin::counts();
  EXPECT_EQ(c.arraysCreated, 1 + 2 * kThreads * kRounds);
  EXPECT_EQ(c.arraysDestroyed, c.arraysCreated - 1);
  EXPECT_EQ(c.referencesCreated, kThreads * kRounds);
  EXPECT_EQ(c.functionsCreated, kThreads * kRounds);
  EXPECT_EQ(c.calls[mx::kUnshareArray], kThreads * kRounds);
  EXPECT_EQ(c.invalidDestroys, 0);
  EXPECT_EQ(standin::live().arrays, live0.arrays + 1);
}

TEST(HostConcurrency, LoaderCallsOnSeveralThreadsKeepTheirOwnRecords) {
  standin::reset();
  standin::MexFile mex(gGood);
  ASSERT_TRUE(mex.create().problems.empty());
  standin::HostArray q = standin::HostArray::make(standin::doubles({6, 1}, {1, 2, 3, 4, 5, 6}));
  std::atomic<int> bad{0};
  together([&](int t) {
    for (int round = 0; round < kRounds; ++round) {
      // Each thread its own input count and slot count, so mixed-up records show.
      std::vector<mx::ArrayImpl*> inputs(static_cast<std::size_t>(t + 1), q.get());
      const standin::HostReport r = mex.call(inputs, t + 1);
      if (!r.succeeded() || r.outputs.size() != static_cast<std::size_t>(t + 1) ||
          r.outputs[0].read().doubles() != std::vector<double>{static_cast<double>(t + 1)})
        bad.fetch_add(1);
    }
  });
  EXPECT_EQ(bad.load(), 0);
  EXPECT_TRUE(mex.destroy().problems.empty());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <good MEX file>\n", argv[0]);
    return 2;
  }
  gGood = argv[1];
  return RUN_ALL_TESTS();
}
