#pragma once

#include <stdexcept>
#include <string>

namespace vantrel::exporter {

// Failure of an export; what() carries the cause.
class ExportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    ~ExportError() override;
};

}  // namespace vantrel::exporter
