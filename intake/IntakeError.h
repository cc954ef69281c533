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

}  // namespace vantrel::intake
