// Golden traces: the whole conversation of each built MEX file with the host,
// pinned line by line. For each case the file is loaded afresh and the
// stand-in host records one object's life (create, one call, destroy): every
// lookup and data operation with its arguments and answers, every libmex call
// and what each callback received (standin/trace.hpp). The record must equal
// traces/<deliverable>.<case>.trace (line ends LF or CRLF).
//
// A small MEX file that talks to the host by hand (trace_fixture.cpp) shows
// that the pinned trace catches a misreading of the contract: written
// correctly it reproduces armpose's trace of a good call; each of its
// deliberate mistakes breaks it.
//
//   golden_trace_test <traces> <armpose> <armvelmap> <fixture>...   compare
//   golden_trace_test --update <traces> <armpose> <armvelmap>       rewrite
//
// The second form is the build target update-traces; review the rewritten
// files with `git diff tests/gateway/traces` before committing them.
#include <matlab/host_abi.hpp>
#include <standin/host.hpp>
#include <standin/loader.hpp>
#include <standin/trace.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace abi = matlab::abi;
using standin::HostArray;
using standin::Value;

using Lines = std::vector<std::string>;

struct Options {
  std::string traces;                  // the folder of golden traces
  std::vector<std::string> mexFiles;   // armpose, armvelmap
  std::vector<std::string> fixtures;   // correct first, then one per mistake
};
Options gOptions;

const char* const kDeliverables[] = {"armpose", "armvelmap"};

struct Case {
  const char* name;
  std::vector<Value> inputs;
  std::int32_t firstCount;
  std::int32_t slots;
};

const std::vector<Case>& cases() {
  static const std::vector<double> q{0.1, -0.4, 0.9, 0.3, 1.2, -2.0};
  static const std::vector<Case> all{
      {"good", {standin::doubles({6, 1}, q)}, 1, 1},
      {"no-input", {}, 1, 1},
      {"no-output-slot", {standin::doubles({6, 1}, q)}, 0, 0},
      {"non-double", {standin::numeric<float>(abi::kSingle, {6, 1}, {0.1f, -0.4f, 0.9f, 0.3f, 1.2f, -2.0f})}, 1, 1},
      {"missing-element", {standin::doubles({1, 6}, q)}, 1, 1},
      {"two-slots", {standin::doubles({6, 1}, q)}, 2, 2},
  };
  return all;
}

// The record of one object's life in a freshly loaded `mexFile`.
Lines record(const std::string& mexFile, const Case& c) {
  std::vector<HostArray> held;
  std::vector<abi::ArrayImpl*> raw;
  for (const Value& v : c.inputs) {
    held.push_back(HostArray::make(v));
    raw.push_back(held.back().get());
  }
  standin::reset();
  standin::MexFile mex(mexFile);
  standin::startTrace();
  mex.create();
  if (mex.object() != nullptr) {
    mex.call(c.firstCount, c.slots, raw);
    mex.destroy();
  }
  return standin::stopTrace();
}

std::string goldenPath(const std::string& deliverable, const Case& c) {
  return gOptions.traces + "/" + deliverable + "." + c.name + ".trace";
}

// The file's lines without their line ends; `found` is false when it cannot
// be read.
Lines readLines(const std::string& path, bool& found) {
  std::ifstream in(path, std::ios::binary);
  found = static_cast<bool>(in);
  Lines lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Empty when equal; otherwise the first line that differs.
std::string firstDifference(const Lines& expected, const Lines& actual) {
  for (std::size_t i = 0; i < expected.size() || i < actual.size(); ++i) {
    const std::string e = i < expected.size() ? expected[i] : "(end of trace)";
    const std::string a = i < actual.size() ? actual[i] : "(end of trace)";
    if (e != a) return "line " + std::to_string(i + 1) + ":\n  pinned: " + e + "\n  actual: " + a;
  }
  return {};
}

std::string joined(const Lines& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

TEST(GoldenTrace, EveryCaseOfEachDeliverableMatchesItsPinnedTrace) {
  for (std::size_t d = 0; d < gOptions.mexFiles.size(); ++d) {
    for (const Case& c : cases()) {
      SCOPED_TRACE(std::string(kDeliverables[d]) + " " + c.name);
      bool found = false;
      const Lines pinned = readLines(goldenPath(kDeliverables[d], c), found);
      ASSERT_TRUE(found) << goldenPath(kDeliverables[d], c) << " is missing (build the target update-traces)";
      const Lines actual = record(gOptions.mexFiles[d], c);
      EXPECT_EQ(firstDifference(pinned, actual), "") << "whole record:\n" << joined(actual);
    }
  }
}

// The fixture's traces of armpose's good call and of a call with a
// non-double input: the correct variant (first) equals the pinned traces,
// every deliberate mistake differs from at least one of them.
TEST(GoldenTrace, EveryMistakeOfTheFixtureBreaksThePinnedTrace) {
  ASSERT_GE(gOptions.fixtures.size(), 2u) << "the fixture's correct variant and its mistakes";
  const Case* road[] = {&cases()[0], &cases()[3]};  // good, non-double
  for (std::size_t i = 0; i < gOptions.fixtures.size(); ++i) {
    SCOPED_TRACE(gOptions.fixtures[i]);
    std::string caught;
    for (const Case* c : road) {
      bool found = false;
      const Lines pinned = readLines(goldenPath("armpose", *c), found);
      ASSERT_TRUE(found) << goldenPath("armpose", *c);
      const std::string difference = firstDifference(pinned, record(gOptions.fixtures[i], *c));
      if (i == 0) {
        EXPECT_EQ(difference, "") << c->name;
      }
      if (caught.empty() && !difference.empty()) caught = std::string(c->name) + ", " + difference;
    }
    if (i != 0) {
      EXPECT_NE(caught, "") << "the mistake went unnoticed";
      std::cout << gOptions.fixtures[i] << ": caught in " << caught << "\n";
    }
  }
}

int update() {
  for (std::size_t d = 0; d < gOptions.mexFiles.size(); ++d) {
    for (const Case& c : cases()) {
      const std::string path = goldenPath(kDeliverables[d], c);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << joined(record(gOptions.mexFiles[d], c));
      if (!out) {
        std::cerr << "cannot write " << path << "\n";
        return 1;
      }
      std::cout << "wrote " << path << "\n";
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool updating = !args.empty() && args.front() == "--update";
  if (updating) args.erase(args.begin());
  if (args.size() < 3 || (updating && args.size() != 3)) {
    std::cerr << "usage: " << argv[0] << " [--update] <traces folder> <armpose> <armvelmap> [<fixture>...]\n";
    return 64;
  }
  gOptions.traces = args[0];
  gOptions.mexFiles = {args[1], args[2]};
  gOptions.fixtures.assign(args.begin() + 3, args.end());
  return updating ? update() : RUN_ALL_TESTS();
}
