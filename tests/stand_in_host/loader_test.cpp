// The loader, on small MEX files of known behaviour, some of them faulty.
// Usage: standin_loader_test <good> <leaks-input> <destroys-twice> <no-classic>
#include <standin/loader.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace mx = matlab::abi;
using standin::HostArray;
using standin::HostReport;
using standin::MexFile;

namespace {

std::string gGood;
std::string gLeaksInput;
std::string gGivesBackEarly;
std::string gDestroysTwice;
std::string gNoClassic;

bool mentions(const HostReport& r, const std::string& text) {
  for (const std::string& p : r.problems)
    if (p.find(text) != std::string::npos) return true;
  return false;
}

class Loader : public ::testing::Test {
 protected:
  void SetUp() override { standin::reset(); }
  void TearDown() override {
    standin::reset();
    EXPECT_EQ(standin::live().functions, 0);
  }
  HostArray q = HostArray::make(standin::doubles({6, 1}, {0.1, 0.2, 0.3, 0.4, 0.5, 0.6}));
  HostArray extra = HostArray::make(standin::text("ignored"));
};

TEST_F(Loader, ResolvesTheEntryPointsAndAnswersWithoutAnObject) {
  MexFile mex(gGood);
  EXPECT_EQ(mex.path(), gGood);
  EXPECT_EQ(mex.object(), nullptr);
  EXPECT_EQ(mex.requiredApiVersion(), std::make_pair(0x2024A, 0));
  mex.classicGateway();
  const HostReport r = mex.destroyNull();
  EXPECT_EQ(r.errorCallbacks, 0);
  EXPECT_TRUE(r.problems.empty());
  EXPECT_THROW(mex.call({q.get()}), std::logic_error);
}

TEST_F(Loader, RefusesFilesItCannotUse) {
  struct Case {
    std::string path;
    std::string message;
  } cases[] = {
      {"no-such-file.mexa64", "no-such-file.mexa64: cannot load: "},
      {gNoClassic, gNoClassic + ": missing entry point mexFunction"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      MexFile mex(c.path);
      ADD_FAILURE() << "loaded";
    } catch (const standin::LoadError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
    }
  }
}

TEST_F(Loader, CallsAsTheHostDoesAndKeepsTheOutputs) {
  MexFile mex(gGood);
  const HostReport created = mex.create();
  EXPECT_TRUE(created.problems.empty()) << ::testing::PrintToString(created.problems);
  EXPECT_EQ(created.errorCallbacks, 0);
  ASSERT_NE(mex.object(), nullptr);
  EXPECT_EQ(standin::live().functions, 1);

  struct Case {
    const char* name;
    std::int32_t first;
    std::int32_t slots;
    std::vector<mx::ArrayImpl*> inputs;
  } cases[] = {
      {"one input, one slot", 1, 1, {q.get()}},
      {"first count 0", 0, 1, {q.get()}},
      {"no slot", 0, 0, {q.get()}},
      {"three slots, two inputs", 1, 3, {q.get(), extra.get()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HostReport r = mex.call(c.first, c.slots, c.inputs);
    EXPECT_TRUE(r.succeeded()) << ::testing::PrintToString(r.problems);
    EXPECT_EQ(r.outputCount, c.slots);
    ASSERT_EQ(r.outputs.size(), static_cast<std::size_t>(c.slots));
    for (std::int32_t i = 0; i < c.slots; ++i) {
      SCOPED_TRACE(i);
      ASSERT_TRUE(standin::isLive(r.outputs[i].get())) << "kept after the MEX file released its handle";
      const standin::Value v = r.outputs[i].read();
      EXPECT_EQ(v.type, mx::kDouble);
      if (i == 0) {
        EXPECT_EQ(v.doubles(), std::vector<double>{static_cast<double>(c.inputs.size())});
      } else {
        EXPECT_EQ(v.dims, (std::vector<std::uint64_t>{0, 0}));
      }
    }
    EXPECT_EQ(r.delta.calls[mx::kDestroyArray], static_cast<std::int64_t>(c.slots + c.inputs.size()));
    EXPECT_TRUE(standin::isLive(q.get())) << "the caller's inputs stay the caller's";
  }

  const HostReport failed = mex.call({});
  EXPECT_TRUE(failed.failedCleanly()) << ::testing::PrintToString(failed.problems);
  EXPECT_EQ(failed.message, "fake: no input");
  EXPECT_EQ(failed.identifier, "fake:noInput");
  EXPECT_TRUE(failed.outputs.empty());

  const HostReport destroyed = mex.destroy();
  EXPECT_TRUE(destroyed.problems.empty()) << ::testing::PrintToString(destroyed.problems);
  EXPECT_EQ(mex.object(), nullptr);
  EXPECT_EQ(standin::live().functions, 0);
}

TEST_F(Loader, HandingOverPassesTheExactHandles) {
  MexFile mex(gGood);
  mex.create();
  mx::ArrayImpl* mine = standin::createArray(standin::doubles({6, 1}, std::vector<double>(6, 0.0)));
  const HostReport r = mex.callHandingOver(1, 1, {mine});
  EXPECT_TRUE(r.succeeded()) << ::testing::PrintToString(r.problems);
  EXPECT_FALSE(standin::isLive(mine)) << "the MEX file gave it back";
}

TEST_F(Loader, FindsInputsThatAreNotGivenBackExactlyOnce) {
  struct Case {
    const std::string* path;
    const char* problem;
  } cases[] = {
      {&gLeaksInput, "input 1 was not given back"},
      {&gDestroysTwice, "1 destroy(s) of objects that were not live"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(*c.path);
    MexFile mex(*c.path);
    mex.create();
    const HostReport r = mex.call({q.get(), extra.get()});
    EXPECT_FALSE(r.succeeded());
    EXPECT_TRUE(mentions(r, c.problem)) << ::testing::PrintToString(r.problems);
  }
  MexFile leaky(gLeaksInput);
  leaky.create();
  EXPECT_TRUE(mentions(leaky.call({q.get()}), "1 array(s) left alive"));
}

TEST_F(Loader, AnInputGivenBackIsNotMistakenForTheArrayThatTakesItsAddress) {
  // The host's copies of the outputs are made after the inputs were freed,
  // so they may well sit where an input sat; the call is still correct.
  MexFile mex(gGivesBackEarly);
  mex.create();
  for (int round = 0; round < 20; ++round) {
    const HostReport r = mex.call({q.get(), extra.get()}, 3);
    EXPECT_TRUE(r.succeeded()) << ::testing::PrintToString(r.problems);
  }
}

TEST_F(Loader, AFailingFunctionHandleReachesTheMexFilesCatch) {
  // libMatlabDataArray throws with the shared C++ runtime; the MEX file, with
  // its own runtime linked in, must still catch it as std::exception.
  MexFile mex(gGood);
  standin::failGetFunctionImpl(1);
  const HostReport r = mex.create();
  EXPECT_EQ(mex.object(), nullptr);
  EXPECT_TRUE(r.problems.empty()) << ::testing::PrintToString(r.problems);
  EXPECT_EQ(r.errorCallbacks, 1);
  EXPECT_EQ(r.message, standin::kGetFunctionImplFailure);
  EXPECT_EQ(r.identifier, "");
  EXPECT_EQ(r.delta.injectedFaults, 1);

  const HostReport second = mex.create();
  EXPECT_TRUE(second.problems.empty()) << ::testing::PrintToString(second.problems);
  EXPECT_NE(mex.object(), nullptr);
}

TEST_F(Loader, DestroysALeftObjectWhenUnloading) {
  {
    MexFile mex(gGood);
    mex.create();
    EXPECT_EQ(standin::live().functions, 1);
  }
  EXPECT_EQ(standin::live().functions, 0);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s <good> <leaks-input> <destroys-twice> <no-classic> <gives-back-early>\n",
                 argv[0]);
    return 2;
  }
  gGood = argv[1];
  gLeaksInput = argv[2];
  gDestroysTwice = argv[3];
  gNoClassic = argv[4];
  gGivesBackEarly = argv[5];
  return RUN_ALL_TESTS();
}
