// mexrun — calls a built MEX file from the shell the way the host would.
//
//   mexrun [--outputs N] [--first-count N] [--hex] [--version] MEXFILE 'CALL'
//
// CALL names the function and its arguments in MATLAB syntax, e.g.
// 'armpose([0.1; -0.4; 0.3; 0.2; 0.5; -0.6])'. The function is the one the
// MEX file defines, named after the file; a CALL naming another function is
// refused, as MATLAB would not reach this file for it.
//
// Exit status: 0 the call succeeded and its outputs are on stdout; 1 the MEX
// function reported an error (on stderr); 2 the host's checks found a leak
// or an input not given back exactly once; 64 a usage or CALL error (the MEX
// file is then not loaded); 66 the MEX file is missing, cannot be loaded or
// lacks an entry point; 70 mexrun itself failed (out of memory, ...).
#include <standin/host.hpp>
#include <standin/loader.hpp>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "call_parser.hpp"
#include "command_line.hpp"
#include "host_value.hpp"
#include "output_format.hpp"
#include "parse_error_report.hpp"

#ifndef MEXRUN_VERSION
#error "MEXRUN_VERSION must be defined by the build"
#endif

namespace {

// sysexits.h values, spelled out: that header is not everywhere.
constexpr int kExitMexError = 1;
constexpr int kExitHostCheck = 2;
constexpr int kExitUsage = 64;
constexpr int kExitNoInput = 66;
constexpr int kExitSoftware = 70;

// More output slots than any MATLAB call asks for; keeps a typo from making
// the adapter create millions of arrays.
constexpr std::int32_t kMaxOutputs = 1000;

constexpr const char* kUsage =
    "usage: mexrun [--outputs N] [--first-count N] [--hex] [--version] MEXFILE 'CALL'\n"
    "  MEXFILE            a built MEX file, e.g. armpose.mexa64\n"
    "  CALL               the call in MATLAB syntax, e.g. 'armpose([0.1; 0.2; 0.3; 0.4; 0.5; 0.6])'\n"
    "  --outputs N        number of output slots (0 to 1000, default 1)\n"
    "  --first-count N    output count the MEX function is told (default: the slot count)\n"
    "  --hex              print the IEEE-754 bits of each element in hexadecimal\n"
    "  --version          print the version and exit\n";

struct Options {
  std::int32_t outputs = 1;
  std::int32_t firstCount = -1;  // -1: the slot count
  bool hex = false;
  bool version = false;
  bool help = false;
  std::vector<std::string> positional;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::int32_t count(const std::string& option, const std::string& text, std::int32_t max) {
  std::int64_t n = 0;
  bool ok = !text.empty() && text.size() <= 10;
  for (char c : text) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) n = n * 10 + (c - '0');
  }
  if (!ok || n > max) {
    throw UsageError(option + " needs a whole number from 0 to " + std::to_string(max) + ", not '" + text + "'");
  }
  return static_cast<std::int32_t>(n);
}

Options parseOptions(const std::vector<std::string>& args) {
  Options o;
  bool endOfOptions = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (endOfOptions || arg.size() < 2 || arg[0] != '-') {
      o.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      endOfOptions = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    auto takeValue = [&]() {
      if (hasValue) return value;
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    if (name == "--outputs") {
      o.outputs = count(name, takeValue(), kMaxOutputs);
    } else if (name == "--first-count") {
      o.firstCount = count(name, takeValue(), INT32_MAX);
    } else if (name == "--hex" && !hasValue) {
      o.hex = true;
    } else if (name == "--version" && !hasValue) {
      o.version = true;
    } else if ((name == "--help" || name == "-h") && !hasValue) {
      o.help = true;
    } else {
      throw UsageError("unknown option " + arg);
    }
  }
  if (o.version || o.help) return o;
  if (o.positional.size() != 2) {
    throw UsageError(o.positional.size() < 2 ? "missing MEXFILE or CALL" : "too many arguments");
  }
  return o;
}

// The function a MEX file defines: its file name without folder and
// extension ("dist/armpose.mexa64" defines armpose).
std::string functionName(const std::string& path) {
  return std::filesystem::u8path(path).stem().u8string();
}

void report(const std::string& line) { std::cerr << "mexrun: " << line << '\n'; }

// Reports what the host's checks found; true if anything.
bool reportProblems(const standin::HostReport& r, const char* when) {
  for (const std::string& p : r.problems) report(std::string("host check after ") + when + ": " + p);
  return !r.problems.empty();
}

void reportError(const std::string& function, const standin::HostReport& r) {
  std::cerr << "Error using " << function << '\n' << r.message << '\n';
  if (!r.identifier.empty()) std::cerr << "Error identifier: " << r.identifier << '\n';
}

int run(const Options& o) {
  const std::string& path = o.positional[0];
  const std::string& text = o.positional[1];
  mexrun::Call call;
  try {
    call = mexrun::parseCall(text);
  } catch (const mexrun::ParseError& e) {
    report(mexrun::describeParseError(text, e));
    return kExitUsage;
  }
  const std::string function = functionName(path);
  if (call.function != function) {
    report("the call is to " + call.function + ", but " + path + " defines " + function);
    return kExitUsage;
  }

  // The host's own input arrays, alive until after the object is destroyed.
  std::vector<standin::HostArray> inputs;
  std::vector<standin::ArrayImpl*> handles;
  for (std::size_t i = 0; i < call.arguments.size(); ++i) {
    try {
      inputs.push_back(standin::HostArray::make(mexrun::toHostValue(call.arguments[i])));
    } catch (const std::invalid_argument& e) {
      report("argument " + std::to_string(i + 1) + ": " + e.what());
      return kExitUsage;
    }
    handles.push_back(inputs.back().get());
  }

  std::error_code ec;
  if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), ec)) {
    report("cannot open " + path + ": no such file");
    return kExitNoInput;
  }
  // A bare file name would send the system loader searching its library path.
  std::string loadPath = path;
  if (std::filesystem::u8path(path).is_relative() && !std::filesystem::u8path(path).has_parent_path()) {
    loadPath = "./" + path;
  }
  std::unique_ptr<standin::MexFile> mex;
  try {
    mex = std::make_unique<standin::MexFile>(loadPath);
  } catch (const standin::LoadError& e) {
    report(e.what());
    return kExitNoInput;
  }

  int status = 0;
  bool faulty = false;
  const standin::HostReport created = mex->create();
  faulty = reportProblems(created, "creating the function object") || faulty;
  if (mex->object() == nullptr) {
    if (created.errorCallbacks != 0) reportError(function, created);
    return faulty ? kExitHostCheck : kExitMexError;
  }

  const std::int32_t firstCount = o.firstCount < 0 ? o.outputs : o.firstCount;
  {
    standin::HostReport r = mex->call(firstCount, o.outputs, handles);
    faulty = reportProblems(r, "the call") || faulty;
    if (r.errorCallbacks != 0) {
      reportError(function, r);
      status = kExitMexError;
    } else if (r.outputCallbacks == 0) {
      report(function + " returned neither outputs nor an error");
      faulty = true;
    } else if (r.outputCallbacks == 1) {
      std::string text;
      for (std::size_t i = 0; i < r.outputs.size(); ++i) {
        text += mexrun::formatOutput("out" + std::to_string(i + 1), r.outputs[i].read(), o.hex);
      }
      std::fwrite(text.data(), 1, text.size(), stdout);
    }
  }  // the host's copies of the outputs go here

  const standin::HostReport destroyed = mex->destroy();
  faulty = reportProblems(destroyed, "destroying the function object") || faulty;
  if (destroyed.errorCallbacks != 0) {
    reportError(function, destroyed);
    status = kExitMexError;
  }
  inputs.clear();
  const standin::Live left = standin::live();
  auto leftAlive = [&](std::int64_t n, const char* what) {
    if (n == 0) return;
    report("host check after the end: " + std::to_string(n) + " " + what + " still alive");
    faulty = true;
  };
  leftAlive(left.arrays, "array(s)");
  leftAlive(left.factories, "factory(ies)");
  leftAlive(left.references, "reference(s)");
  leftAlive(left.functions, "function handle(s)");
  return faulty ? kExitHostCheck : status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = parseOptions(mexrun::utf8Arguments(argc, argv));
  } catch (const UsageError& e) {
    std::cerr << "mexrun: " << e.what() << '\n' << kUsage;
    return kExitUsage;
  }
  if (options.version) {
    std::cout << "mexrun " << MEXRUN_VERSION << '\n';
    return 0;
  }
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  try {
    const int status = run(options);
    std::fflush(stdout);
    return status;
  } catch (const std::exception& e) {
    report(std::string("internal error: ") + e.what());
    return kExitSoftware;
  }
}
