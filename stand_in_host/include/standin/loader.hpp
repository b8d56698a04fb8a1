// loader.hpp — loads a built MEX file and drives it as the host does.
//
// MexFile loads the file (dlopen, or LoadLibrary on Windows), resolves its
// five entry points and makes the host's calls: create the function object,
// one call per MATLAB call through mexFunctionAdapter, destroy the object.
// Each of these returns a HostReport: what the output callback and the error
// callback received, and every bookkeeping fault found afterwards.
//
// Inputs stay the caller's: for each call the loader hands the MEX file a
// fresh shared copy of every input (the MEX file owns and must destroy each
// exactly once, by operation 50). The MEX file releases its own handles right
// after the output callback returns, so the loader keeps a host shared copy of
// every output it is given.
//
// After each call the loader checks, on the calling thread's counters, that
// every input handle was given back exactly once and that nothing the MEX
// file made (arrays, factories, references) is left alive; after destroy()
// that the function handle went back to libmex. Calls on different threads
// may run at once on one MexFile (the callbacks record into a thread-local
// "current call"). While the calling thread keeps a record
// (standin/trace.hpp), the loader adds to it each entry point it calls and
// what each callback received.
//
// Example:
//   standin::MexFile mex(path);                     // throws LoadError
//   mex.create();
//   auto q = standin::HostArray::make(standin::doubles({6, 1}, angles));
//   standin::HostReport r = mex.call({q.get()});    // one output slot
//   std::vector<double> T = r.outputs[0].read().doubles();
#pragma once

#include <matlab/host_abi.hpp>
#include <standin/host.hpp>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace standin {

// The five entry points of a MEX file.
using CreateMexFunctionFn = void* (*)(matlab::abi::ErrorCallback error);
using MexFunctionAdapterFn = void (*)(std::int32_t firstCount, std::int32_t slotCount,
                                      std::int32_t inputCount, ArrayImpl** inputs, void* object,
                                      matlab::abi::OutputCallback output,
                                      matlab::abi::ErrorCallback error);
using DestroyMexFunctionFn = void (*)(void* object, matlab::abi::ErrorCallback error);
using RequiredApiVersionFn = void (*)(std::int32_t* first, std::int32_t* second);
using ClassicGatewayFn = void (*)(int nlhs, void** plhs, int nrhs, const void** prhs);

struct EntryPoints {
  CreateMexFunctionFn create = nullptr;        // mexCreateMexFunction
  MexFunctionAdapterFn adapter = nullptr;      // mexFunctionAdapter
  DestroyMexFunctionFn destroy = nullptr;      // mexDestroyMexFunction
  RequiredApiVersionFn apiVersion = nullptr;   // mexfilerequiredapiversion
  ClassicGatewayFn classic = nullptr;          // mexFunction
};

// A file that cannot be loaded, or lacks an entry point. The message names
// the file and the cause, e.g. "<path>: missing entry point mexFunctionAdapter".
class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the host saw during one entry-point call.
struct HostReport {
  int outputCallbacks = 0;         // times the output callback was called
  std::int32_t outputCount = -1;   // the count it was given last (-1: never called)
  std::vector<HostArray> outputs;  // host shared copies of the handles it was given
  int errorCallbacks = 0;          // times the error callback was called
  std::string message;             // the last message given to the error callback
  std::string identifier;          // the last identifier given to the error callback
  // Bookkeeping faults found by the loader, one line each ("input 0 was not
  // given back", "1 reference left alive", ...). Empty when all is well.
  std::vector<std::string> problems;
  Counts delta;                    // the calling thread's counters during the call

  // A call that handed back outputs once, reported no error and left no fault.
  bool succeeded() const { return outputCallbacks == 1 && errorCallbacks == 0 && problems.empty(); }
  // A call that reported exactly one error, handed back nothing and left no fault.
  bool failedCleanly() const { return outputCallbacks == 0 && errorCallbacks == 1 && problems.empty(); }
};

class MexFile {
 public:
  // Loads `path` (a bare file name means the working folder) and resolves
  // the five entry points; throws LoadError.
  explicit MexFile(const std::string& path);
  // Destroys the object if one is still there, then unloads the file.
  ~MexFile();
  MexFile(const MexFile&) = delete;
  MexFile& operator=(const MexFile&) = delete;

  const std::string& path() const { return path_; }
  const EntryPoints& entryPoints() const { return entry_; }

  // mexCreateMexFunction. Keeps the object it returns (null on failure); the
  // report's problems note a null object with no error, or an object without
  // a function handle taken from libmex.
  HostReport create();
  void* object() const { return object_; }

  // One host call through mexFunctionAdapter, with shared copies of `inputs`
  // (host-owned handles, left unchanged). Requires an object (std::logic_error).
  HostReport call(const std::vector<ArrayImpl*>& inputs, std::int32_t slotCount = 1) const {
    return call(slotCount, slotCount, inputs);
  }
  HostReport call(std::int32_t firstCount, std::int32_t slotCount,
                  const std::vector<ArrayImpl*>& inputs) const;
  // The same, handing over exactly these handles: the MEX file owns them.
  HostReport callHandingOver(std::int32_t firstCount, std::int32_t slotCount,
                             const std::vector<ArrayImpl*>& handles) const;

  // mexDestroyMexFunction on the object (which is then gone). Checks the
  // function handle was given back to libmex.
  HostReport destroy();
  // mexDestroyMexFunction with a null object.
  HostReport destroyNull() const;

  // mexfilerequiredapiversion: the two words it stores.
  std::pair<std::int32_t, std::int32_t> requiredApiVersion() const;
  // mexFunction(0, nullptr, 0, nullptr).
  void classicGateway() const;

 private:
  std::string path_;
  void* module_ = nullptr;
  EntryPoints entry_;
  void* object_ = nullptr;
};

}  // namespace standin
