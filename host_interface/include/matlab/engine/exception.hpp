// engine/exception.hpp — the host engine's exceptions as the MEX interface
// throws them.
//
//  - matlab::engine::Exception: a failure with a message and no identifier,
//    e.g. "ArgumentList index out of range." from an argument list.
//  - matlab::engine::MATLABException: a MATLAB error, message and message
//    identifier (e.g. "armkin:example"); the host boundary passes both on.
//
// Both derive from std::exception; what() is the message text. A plain
// Exception carries a fixed text (a string with static storage, such as a
// literal), so throwing one allocates nothing beyond the exception object; a
// MATLABException owns its texts.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace matlab::engine {

class Exception : public std::exception {
 public:
  // `message` has static storage.
  explicit Exception(const char* message) noexcept : message_(message) {}
  const char* what() const noexcept override { return message_; }

 private:
  const char* message_;
};

class MATLABException : public Exception {
 public:
  MATLABException(std::string identifier, std::string message)
      : Exception(""), identifier_(std::move(identifier)), text_(std::move(message)) {}

  const char* what() const noexcept override { return text_.c_str(); }
  const std::string& getMessageID() const noexcept { return identifier_; }
  const std::string& getMessageText() const noexcept { return text_; }

 private:
  std::string identifier_;
  std::string text_;
};

}  // namespace matlab::engine
