// loader.cpp — loads a MEX file and calls it as the host does.
#include <standin/loader.hpp>
#include <standin/trace.hpp>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>
#include <utility>

namespace standin {
namespace {

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------

#if defined(_WIN32)
std::wstring widen(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], n);
  if (!wide.empty()) wide.pop_back();  // the terminating NUL
  return wide;
}

std::string lastError() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n != 0 && text != nullptr ? std::string(text, n) : "error " + std::to_string(code);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message;
}

void* openModule(const std::string& path) {
  // Absolute, so that the file's own folder is searched for libmex and
  // libMatlabDataArray, and so is the program's folder, where the host's
  // libraries live (as a host has them loaded before any MEX file).
  const std::wstring wide = widen(path);
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
  if (n >= full.size()) {
    full.resize(n + 1);
    n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
  }
  full.resize(n);
  HMODULE module = LoadLibraryExW(n != 0 ? full.c_str() : wide.c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (module == nullptr) throw LoadError(path + ": cannot load: " + lastError());
  return reinterpret_cast<void*>(module);
}

void closeModule(void* module) { FreeLibrary(reinterpret_cast<HMODULE>(module)); }

template <typename Fn>
Fn symbol(void* module, const char* name) {
  // Through void (*)(), which any function pointer may be cast to and from.
  auto raw = reinterpret_cast<void (*)()>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
  return reinterpret_cast<Fn>(raw);
}
#else
void* openModule(const std::string& path) {
  // A bare file name is a file in the working folder, not a library to be
  // searched for.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = dlerror();
    throw LoadError(path + ": cannot load: " + (why != nullptr ? why : "unknown error"));
  }
  return module;
}

void closeModule(void* module) { dlclose(module); }

template <typename Fn>
Fn symbol(void* module, const char* name) {
  return reinterpret_cast<Fn>(dlsym(module, name));
}
#endif

// ---------------------------------------------------------------------------
// The callbacks and the thread's current call
// ---------------------------------------------------------------------------

thread_local HostReport* tCurrent = nullptr;

// "[A1 A2]": the record's ids of `count` handles.
std::string idList(ArrayImpl* const* handles, std::int32_t count) {
  std::string text = "[";
  for (std::int32_t i = 0; i < count; ++i) text += (i != 0 ? " " : "") + traceId(handles[i]);
  return text + "]";
}

// Makes `report` the thread's current call for one entry-point call.
class CurrentCall {
 public:
  explicit CurrentCall(HostReport& report) : previous_(tCurrent) { tCurrent = &report; }
  ~CurrentCall() { tCurrent = previous_; }
  CurrentCall(const CurrentCall&) = delete;
  CurrentCall& operator=(const CurrentCall&) = delete;

 private:
  HostReport* previous_;
};

void onOutput(std::int32_t count, ArrayImpl** outputs) {
  HostReport* r = tCurrent;
  if (r == nullptr) return;  // a callback outside any call has nowhere to go
  if (tracing()) {
    traceNote("output callback(" + std::to_string(count) + ", " +
              (count > 0 && outputs != nullptr ? idList(outputs, count) : "[]") + ")");
  }
  ++r->outputCallbacks;
  r->outputCount = count;
  r->outputs.clear();
  if (count < 0) {
    r->problems.push_back("output callback given a negative count " + std::to_string(count));
    return;
  }
  if (count > 0 && outputs == nullptr) {
    r->problems.push_back("output callback given a null output array");
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    ArrayImpl* copy = sharedCopy(outputs[i]);
    if (copy == nullptr) r->problems.push_back("output " + std::to_string(i) + " is not a live array");
    r->outputs.emplace_back(copy);
  }
}

void onError(const char* message, const char* identifier) {
  HostReport* r = tCurrent;
  if (r == nullptr) return;
  if (tracing()) {
    traceNote(std::string("error callback(\"") + (message != nullptr ? message : "(null)") + "\", \"" +
              (identifier != nullptr ? identifier : "(null)") + "\")");
  }
  ++r->errorCallbacks;
  if (message == nullptr) r->problems.push_back("error callback given a null message");
  if (identifier == nullptr) r->problems.push_back("error callback given a null identifier");
  r->message = message != nullptr ? message : "";
  r->identifier = identifier != nullptr ? identifier : "";
}

void expectBalance(HostReport& r, const char* what, std::int64_t net, std::int64_t expected) {
  if (net > expected)
    r.problems.push_back(std::to_string(net - expected) + " " + what + " left alive");
  else if (net < expected)
    r.problems.push_back(std::to_string(expected - net) + " more " + what + " destroyed than created");
}

// The checks common to every entry point: no invalid destroy, no factory or
// reference left, the arrays' net count as expected.
void checkCommon(HostReport& r, std::int64_t expectedArrays) {
  const Counts& d = r.delta;
  if (d.invalidDestroys != 0)
    r.problems.push_back(std::to_string(d.invalidDestroys) + " destroy(s) of objects that were not live");
  expectBalance(r, "array(s)", d.arraysCreated - d.arraysDestroyed, expectedArrays);
  expectBalance(r, "factory(ies)", d.factoriesCreated - d.factoriesDestroyed, 0);
  expectBalance(r, "reference(s)", d.referencesCreated - d.referencesDestroyed, 0);
  if (r.outputCallbacks > 1)
    r.problems.push_back("output callback called " + std::to_string(r.outputCallbacks) + " times");
  if (r.errorCallbacks > 1)
    r.problems.push_back("error callback called " + std::to_string(r.errorCallbacks) + " times");
  if (r.outputCallbacks != 0 && r.errorCallbacks != 0)
    r.problems.push_back("both the output and the error callback were called");
}

// One adapter call with `handles` as the inputs. `before` is the thread's
// counters before the call's own arrays were made; `handedIn` of the handles
// existed before that, so the arrays' net count over the call must be the
// outputs kept minus those.
HostReport runCall(const EntryPoints& entry, void* object, std::int32_t firstCount, std::int32_t slotCount,
                   const std::vector<ArrayImpl*>& handles, const Counts& before, std::int64_t handedIn) {
  HostReport r;
  std::vector<ArrayImpl*> given(handles);  // the MEX file may write to its array
  // By serial, not address: once an input is given back, another thread's
  // new array may take its address.
  std::vector<std::uint64_t> serials;
  serials.reserve(handles.size());
  for (ArrayImpl* h : handles) serials.push_back(liveSerial(h));
  if (tracing()) {
    traceNote("call mexFunctionAdapter(first " + std::to_string(firstCount) + ", slots " +
              std::to_string(slotCount) + ", inputs " +
              idList(given.data(), static_cast<std::int32_t>(given.size())) + ")");
  }
  {
    CurrentCall current(r);
    entry.adapter(firstCount, slotCount, static_cast<std::int32_t>(given.size()), given.data(), object,
                  &onOutput, &onError);
  }
  traceNote("return");
  r.delta = threadCounts() - before;
  std::int64_t kept = 0;
  for (const HostArray& a : r.outputs) kept += a ? 1 : 0;
  checkCommon(r, kept - handedIn);
  for (std::size_t i = 0; i < handles.size(); ++i)
    if (serials[i] != 0 && liveSerial(handles[i]) == serials[i])
      r.problems.push_back("input " + std::to_string(i) + " was not given back");
  if (r.outputCallbacks == 1 && r.outputCount != slotCount)
    r.problems.push_back("output callback given " + std::to_string(r.outputCount) + " outputs for " +
                         std::to_string(slotCount) + " slots");
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// MexFile
// ---------------------------------------------------------------------------

MexFile::MexFile(const std::string& path) : path_(path) {
  module_ = openModule(path);
  entry_.create = symbol<CreateMexFunctionFn>(module_, "mexCreateMexFunction");
  entry_.adapter = symbol<MexFunctionAdapterFn>(module_, "mexFunctionAdapter");
  entry_.destroy = symbol<DestroyMexFunctionFn>(module_, "mexDestroyMexFunction");
  entry_.apiVersion = symbol<RequiredApiVersionFn>(module_, "mexfilerequiredapiversion");
  entry_.classic = symbol<ClassicGatewayFn>(module_, "mexFunction");
  const char* missing = entry_.create == nullptr       ? "mexCreateMexFunction"
                        : entry_.adapter == nullptr    ? "mexFunctionAdapter"
                        : entry_.destroy == nullptr    ? "mexDestroyMexFunction"
                        : entry_.apiVersion == nullptr ? "mexfilerequiredapiversion"
                        : entry_.classic == nullptr    ? "mexFunction"
                                                       : nullptr;
  if (missing != nullptr) {
    closeModule(module_);
    throw LoadError(path + ": missing entry point " + missing);
  }
}

MexFile::~MexFile() {
  if (object_ != nullptr) destroy();
  closeModule(module_);
}

HostReport MexFile::create() {
  if (object_ != nullptr) throw std::logic_error("standin::MexFile::create: the object exists already");
  HostReport r;
  const Counts before = threadCounts();
  traceNote("call mexCreateMexFunction");
  {
    CurrentCall current(r);
    object_ = entry_.create(&onError);
  }
  traceNote(object_ != nullptr ? "return object" : "return null");
  r.delta = threadCounts() - before;
  checkCommon(r, 0);
  const std::int64_t handles = r.delta.functionsCreated - r.delta.functionsDestroyed;
  if (object_ != nullptr) {
    if (handles != 1) r.problems.push_back("the object holds no new function handle from libmex");
    if (r.errorCallbacks != 0) r.problems.push_back("an object was returned and an error reported");
  } else {
    if (r.errorCallbacks == 0) r.problems.push_back("no object returned and no error reported");
    expectBalance(r, "function handle(s)", handles, 0);
  }
  return r;
}

HostReport MexFile::call(std::int32_t firstCount, std::int32_t slotCount,
                         const std::vector<ArrayImpl*>& inputs) const {
  if (object_ == nullptr) throw std::logic_error("standin::MexFile::call: no object");
  // The copies count as made during the call: they go to the MEX file and
  // must all come back.
  const Counts before = threadCounts();
  std::vector<ArrayImpl*> copies;
  copies.reserve(inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    ArrayImpl* copy = sharedCopy(inputs[i]);
    if (copy == nullptr) {
      for (ArrayImpl* c : copies) destroyArray(c);
      throw std::invalid_argument("standin::MexFile::call: input " + std::to_string(i) +
                                  " is not a live host array");
    }
    copies.push_back(copy);
  }
  return runCall(entry_, object_, firstCount, slotCount, copies, before, 0);
}

HostReport MexFile::callHandingOver(std::int32_t firstCount, std::int32_t slotCount,
                                    const std::vector<ArrayImpl*>& handles) const {
  if (object_ == nullptr) throw std::logic_error("standin::MexFile::call: no object");
  return runCall(entry_, object_, firstCount, slotCount, handles, threadCounts(),
                 static_cast<std::int64_t>(handles.size()));
}

HostReport MexFile::destroy() {
  if (object_ == nullptr) throw std::logic_error("standin::MexFile::destroy: no object");
  HostReport r;
  const Counts before = threadCounts();
  traceNote("call mexDestroyMexFunction(object)");
  {
    CurrentCall current(r);
    entry_.destroy(object_, &onError);
  }
  traceNote("return");
  object_ = nullptr;
  r.delta = threadCounts() - before;
  checkCommon(r, 0);
  if (r.delta.functionsDestroyed != 1)
    r.problems.push_back("the function handle was not given back to libmex exactly once");
  return r;
}

HostReport MexFile::destroyNull() const {
  HostReport r;
  const Counts before = threadCounts();
  traceNote("call mexDestroyMexFunction(null)");
  {
    CurrentCall current(r);
    entry_.destroy(nullptr, &onError);
  }
  traceNote("return");
  r.delta = threadCounts() - before;
  checkCommon(r, 0);
  if (r.delta.functionsDestroyed != 0) r.problems.push_back("a function handle was given back");
  return r;
}

std::pair<std::int32_t, std::int32_t> MexFile::requiredApiVersion() const {
  std::int32_t first = -1;
  std::int32_t second = -1;
  entry_.apiVersion(&first, &second);
  return {first, second};
}

void MexFile::classicGateway() const { entry_.classic(0, nullptr, 0, nullptr); }

}  // namespace standin
