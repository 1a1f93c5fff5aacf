// The program's one failure type (with a kind that keeps a system error code) and the one error
// trap that catches it: every handler that must not let a failure escape wraps its body in Trap().
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace platform {

// A platform operation or a control that refused what we asked of it.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

// A system call that failed, carrying its error code instead of the system's words for it:
// for a wrapper called where those words cannot be had safely yet (file-system redirection
// switched off), so that its caller puts them together later (Processes::SystemMessage).
class SystemFailure : public Failure {
 public:
  explicit SystemFailure(unsigned long code)
      : Failure("error " + std::to_string(code)), code_(code) {}
  unsigned long Code() const noexcept { return code_; }

 private:
  unsigned long code_;
};

// Runs body; the first failure abandons the rest of it and Trap returns normally.
// Nothing is shown or logged: a tuning run must never stop to ask the user anything.
// Returns false when the body was abandoned.
template <class Body>
bool Trap(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (...) {
    return false;
  }
}

// Like Trap, but hands the failure to onFailure instead of dropping it, for the few
// places where the user must hear that something could not be done.
template <class Body, class OnFailure>
void TrapAndReport(Body&& body, OnFailure&& onFailure) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (const std::exception& failure) {
    Trap([&] { onFailure(std::string(failure.what())); });
  } catch (...) {
    Trap([&] { onFailure(std::string()); });
  }
}

// Runs body and returns what it returns; a SystemFailure escaping it becomes a Failure with the
// text describe(code). Everything body made is gone by the time describe is called, so a scope
// that switched something off inside body has switched it back on.
template <class Body, class Describe>
auto DescribeSystemFailure(Body&& body, Describe&& describe) {
  try {
    return std::forward<Body>(body)();
  } catch (const SystemFailure& failure) {
    throw Failure(std::forward<Describe>(describe)(failure.Code()));
  }
}

// Marks a platform result that the program deliberately does not examine.
template <class T>
constexpr void Ignore(T&&) noexcept {}

}  // namespace platform
