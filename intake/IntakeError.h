#pragma once

#include <stdexcept>
#include <string>

namespace vantrel::intake {

// Failure of the HTTP service or the report handler; what() is the message
// text that reaches the 500 reply or the start-up error box.
class IntakeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The port is held by another listener (most likely another copy of the
// program); what() is the same bind message.
class PortInUseError : public IntakeError {
  public:
    using IntakeError::IntakeError;
};

}  // namespace vantrel::intake
