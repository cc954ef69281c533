#pragma once

#include <stdexcept>

namespace vantrel::system {

// The system could not tell what was asked of it (such as the program's own
// path); what() says what and why.
class SystemError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel::system
