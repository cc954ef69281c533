#pragma once
// What a failed import throws.

#include <stdexcept>

namespace vantrel::import {

// A file that cannot be brought in: another program's inventory, or a
// spreadsheet or list that cannot be read or passes a bound. what() is a
// message for the administrator (GBK) that says what was left as it was.
class ImportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel::import
