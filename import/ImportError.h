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
