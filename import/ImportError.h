#pragma once
// Failure of an import: a file that cannot be read as a spreadsheet, or a
// merge that could not be written. what() is a message for the
// administrator, in code page 936.

#include <stdexcept>

namespace vantrel::import {

class ImportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel::import
