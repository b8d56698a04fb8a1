// host_fixture.hpp — the host interface layer compiled into a test program,
// run against the stand-in host's libraries.
//
// The program defines matlab::mex::createMexFunction: the object's call
// operator runs whatever behaviour the test sets. It also stands between the
// layer and get_function_ptr, so that every host data operation runs marked
// "inside the host": the replaced global operator new (host_fixture.cpp)
// counts, and can fail, only the layer's and the gateway's own allocations.
#pragma once

#include <matlab/host_abi.hpp>
#include <matlab/mex/argument_list.hpp>
#include <standin/host.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace host_test {

// What the test object's call operator does.
using Behaviour = void (*)(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs);
void setBehaviour(Behaviour behaviour);
// What createMexFunction throws before allocating (null: nothing).
void setCreateFailure(void (*thrower)());

// What the host's callbacks received during one adapter call.
struct Call {
  int outputCallbacks = 0;
  int errorCallbacks = 0;
  std::string message;
  std::string identifier;
  std::vector<standin::HostArray> outputs;  // host copies of what was handed back
  std::vector<std::string> problems;         // bookkeeping faults
  // Every data operation the call made, in order; kOutputCallback where the
  // output callback ran.
  std::vector<int> trace;
  std::int64_t allocations = 0;              // the layer's own, during the call
  std::int64_t callOperatorAllocations = 0;  // of those, inside the call operator
};

constexpr int kOutputCallback = -1;

// One mexFunctionAdapter call on the program's object with host copies of
// `inputs`, checking that every input was given back once and that nothing
// the call made is left alive. Counts the layer's own allocations during the
// call; the `failAt`-th of them (from 1) throws std::bad_alloc, 0 for none.
Call callAdapter(const std::vector<matlab::abi::ArrayImpl*>& inputs, std::int32_t slots = 1,
                 std::int64_t failAt = 0, std::int32_t firstCount = 1);

// mexCreateMexFunction: the object (null on failure) and the error reports.
void* createObject(Call& report);
void destroyObject(void* object);

}  // namespace host_test
