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

// `path` (in the file system's encoding, UTF-8) quoted for a message, which
// is GBK.
std::string QuotedPath(const std::string& path);

}  // namespace vantrel::exporter
