#pragma once
// What a failed import throws.

#include <stdexcept>

namespace vantrel::importer {

// An inventory could not be brought in from another program's file; what()
// is a message for the administrator (GBK) that says what was left as it was.
struct ImportError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel::importer

namespace vantrel::import {

// A spreadsheet or list that cannot be read, or passes a bound; what() is a
// message for the administrator (GBK).
class ImportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel::import
