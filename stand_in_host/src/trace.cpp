// trace.cpp — the calling thread's record of what a MEX file asked of the
// host (standin/trace.hpp).
#include "trace_record.hpp"

#include <standin/trace.hpp>

#include <map>
#include <utility>

namespace standin {
namespace detail {
namespace {

struct Recorder {
  std::vector<std::string> lines;
  std::map<std::pair<char, std::uint64_t>, std::uint64_t> ids;
  std::map<char, std::uint64_t> last;  // the last id given, per kind
};

// Plain pointer: a thread that ends while recording leaves its record.
thread_local Recorder* tRecorder = nullptr;

}  // namespace

bool recording() { return tRecorder != nullptr; }

std::string recordId(char kind, std::uint64_t key) {
  if (tRecorder == nullptr) return {};
  if (key == 0) return "invalid";
  auto [it, added] = tRecorder->ids.emplace(std::make_pair(kind, key), 0);
  if (added) it->second = ++tRecorder->last[kind];
  return kind + std::to_string(it->second);
}

void recordForget(char kind, std::uint64_t key) {
  if (tRecorder != nullptr) tRecorder->ids.erase(std::make_pair(kind, key));
}

void recordLine(std::string line) {
  if (tRecorder != nullptr) tRecorder->lines.push_back(std::move(line));
}

std::string recordBits(const void* bytes, std::size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  const auto* b = static_cast<const unsigned char*>(bytes);
  std::string text;
  for (std::size_t word = 0; word < n; word += 8) {
    if (word != 0) text += ' ';
    const std::size_t size = n - word < 8 ? n - word : 8;
    // Little-endian in memory: the last byte of the word is the most significant.
    for (std::size_t i = size; i-- > 0;) {
      text += kDigits[b[word + i] >> 4];
      text += kDigits[b[word + i] & 0xf];
    }
  }
  return text;
}

}  // namespace detail

void startTrace() {
  delete detail::tRecorder;
  detail::tRecorder = new detail::Recorder;
}

std::vector<std::string> stopTrace() {
  std::vector<std::string> lines;
  if (detail::tRecorder != nullptr) lines = std::move(detail::tRecorder->lines);
  delete detail::tRecorder;
  detail::tRecorder = nullptr;
  return lines;
}

bool tracing() { return detail::recording(); }

void traceNote(const std::string& line) { detail::recordLine(line); }

std::string traceId(const ArrayImpl* array) {
  if (!detail::recording()) return {};
  return array == nullptr ? "null" : detail::recordId('A', liveSerial(array));
}

}  // namespace standin
