// Handles of one host array copied and released on several threads at once:
// the reference count changes atomically, so the array is given back exactly
// once, by whichever thread releases the last handle. Run under
// ThreadSanitizer.
#include <matlab/data/array.hpp>
#include <matlab/host_abi.hpp>
#include <matlab/mex/function.hpp>
#include <standin/host.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

matlab::mex::Function* matlab::mex::createMexFunction() { return new matlab::mex::Function; }

namespace {

TEST(ArrayConcurrency, SharedHandlesAreReleasedExactlyOnce) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 2000;
  for (int trial = 0; trial < 5; ++trial) {
    SCOPED_TRACE(trial);
    standin::HostArray host = standin::HostArray::make(standin::doubles({1, 1}, {1.0}));
    matlab::abi::ArrayImpl* raw = standin::sharedCopy(host.get());
    standin::reset();
    std::vector<std::thread> threads;
    std::atomic<int> waiting{kThreads};
    {
      matlab::data::Array shared(raw);
      for (int t = 0; t < kThreads; ++t) {
        // Each thread starts with a handle of its own and ends by dropping it;
        // the last of all releases gives the array back.
        threads.emplace_back([copy = shared, &waiting]() mutable {
          waiting.fetch_sub(1);
          while (waiting.load() > 0) std::this_thread::yield();
          for (int i = 0; i < kRounds; ++i) {
            matlab::data::Array a = copy;
            matlab::data::Array b = std::move(a);
            copy = b;
          }
          copy = matlab::data::Array(std::move(copy));
        });
      }
    }  // the test's own handle goes first
    for (std::thread& th : threads) th.join();
    EXPECT_FALSE(standin::isLive(raw));
    EXPECT_EQ(standin::counts().calls[matlab::abi::kDestroyArray], 1);
    EXPECT_EQ(standin::counts().invalidDestroys, 0);
  }
}

}  // namespace
