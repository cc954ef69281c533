#include "ExportError.h"

#include "GbkConvert.h"

namespace vantrel::exporter {

ExportError::~ExportError() = default;

std::string QuotedPath(const std::string& path) {
    return "\"" + text::Utf8ToGbk(path, nullptr) + "\"";
}

}  // namespace vantrel::exporter
