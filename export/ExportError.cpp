#include "ExportError.h"

namespace vantrel::exporter {

ExportError::~ExportError() = default;

}  // namespace vantrel::exporter
