// The one failure type of the program and the one error trap that catches it.
// Every handler that must not let a failure escape wraps its whole body in Trap().
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

// Marks a platform result that the program deliberately does not examine.
template <class T>
constexpr void Ignore(T&&) noexcept {}

}  // namespace platform
