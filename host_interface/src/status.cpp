// Status mapping of the data operations: one array exception type per code.
#include <matlab/data/array_exception.hpp>
#include <matlab/data/detail/function_ptr.hpp>
#include <matlab/data/detail/status.hpp>
#include <matlab/exception.hpp>

#include <array>
#include <cstdint>
#include <utility>

namespace matlab::data::detail {
namespace {

constexpr int kLastCode = 51;

// The messages of codes 0..51; null where the code is not mapped to a type
// of its own (it then becomes type 20). Codes 28 and 29 carry the caller's
// message instead.
constexpr const char* kMessages[kLastCode + 1] = {
    nullptr,                                                // 0: success
    "Array index is invalid.",                              // 1
    "Array operation failed with error code 2.",            // 2
    "Array operation failed with error code 3.",            // 3
    nullptr,                                                // 4
    "Not enough indices provided.",                         // 5
    "Too many indices provided.",                           // 6
    "Array operation failed with error code 7.",            // 7
    "Data type mismatch.",                                  // 8
    "Array type mismatch.",                                 // 9
    "Array operation failed with error code 10.",           // 10
    "Array operation failed with error code 11.",           // 11
    "Array operation failed with error code 12.",           // 12
    "Array operation failed with error code 13.",           // 13
    "Array operation failed with error code 14.",           // 14
    "Array operation failed with error code 15.",           // 15
    "Array operation failed with error code 16.",           // 16
    "Array operation failed with error code 17.",           // 17
    "Array operation failed with error code 18.",           // 18
    "Not enough memory available to support the request.",  // 19
    nullptr,                                                // 20: see kSystemError
    "Can't index into an empty array.",                     // 21
    "The specified feature is not supported.",              // 22
    "Array operation failed with error code 23.",           // 23
    "Array operation failed with error code 24.",           // 24
    "Array operation failed with error code 25.",           // 25
    "Array operation failed with error code 26.",           // 26
    "Array operation failed with error code 27.",           // 27
    "",                                                     // 28: caller's message
    "",                                                     // 29: caller's message
    "Array operation failed with error code 30.",           // 30
    "Array operation failed with error code 31.",           // 31
    "Array operation failed with error code 32.",           // 32
    "Array operation failed with error code 33.",           // 33
    "Array operation failed with error code 34.",           // 34
    "Array operation failed with error code 35.",           // 35
    "Array operation failed with error code 36.",           // 36
    "Array operation failed with error code 37.",           // 37
    "Array operation failed with error code 38.",           // 38
    "Array operation failed with error code 39.",           // 39
    "Array operation failed with error code 40.",           // 40
    "Array operation failed with error code 41.",           // 41
    "Array operation failed with error code 42.",           // 42
    "Array operation failed with error code 43.",           // 43
    "Array operation failed with error code 44.",           // 44
    "Array operation failed with error code 45.",           // 45
    "Array operation failed with error code 46.",           // 46
    "Array operation failed with error code 47.",           // 47
    nullptr,                                                // 48
    nullptr,                                                // 49
    nullptr,                                                // 50
    "Array operation failed with error code 51.",           // 51
};

constexpr const char* kSystemError = "System Error.";

bool mapped(std::int32_t status) {
  return status > 0 && status <= kLastCode && kMessages[status] != nullptr;
}

bool callerSupplied(std::int32_t status) { return status == 28 || status == 29; }

template <int Code>
void raise(const char* message) {
  throw ArrayException<matlab::Exception, static_cast<ExceptionType>(Code)>(message);
}

template <int... Codes>
constexpr std::array<void (*)(const char*), sizeof...(Codes)> raisers(
    std::integer_sequence<int, Codes...>) {
  return {&raise<Codes>...};
}

// kRaise[c] throws the array exception of type c.
constexpr auto kRaise = raisers(std::make_integer_sequence<int, kLastCode + 1>{});

}  // namespace

const char* statusMessage(std::int32_t status) noexcept {
  return mapped(status) ? kMessages[status] : kSystemError;
}

void throwStatus(std::int32_t status, const char* message) {
  if (mapped(status)) {
    kRaise[static_cast<std::size_t>(status)](callerSupplied(status) ? message : kMessages[status]);
  }
  throw ArrayException<matlab::Exception, ExceptionType::SystemError>(kSystemError);
}

void* resolveFunction(int index) {
  void* fn = get_function_ptr(index);
  if (fn == nullptr) {
    throw ArrayException<matlab::Exception, ExceptionType::FeatureNotSupported>(
        "This feature requires R2018a");
  }
  return fn;
}

}  // namespace matlab::data::detail
