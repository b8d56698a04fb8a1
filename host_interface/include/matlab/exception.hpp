// exception.hpp — matlab::Exception, the root of the host interface's own
// exceptions.
//
// The data API's array exceptions derive from it (and from std::exception).
// It carries nothing but its message; a host boundary that catches it reports
// what() with an empty identifier.
#pragma once

namespace matlab {

class Exception {
 public:
  virtual ~Exception() = default;
  // The exception's message text, NUL-terminated, valid as long as the
  // exception object lives.
  virtual const char* what() const noexcept = 0;

 protected:
  Exception() = default;
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;
};

}  // namespace matlab
