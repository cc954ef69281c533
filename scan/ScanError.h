#pragma once

#include <stdexcept>
#include <string>

namespace vantrel::scan {

// Failure of the LAN scan helpers; what() is the message shown in the error box.
class ScanError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel::scan
