#include "HardwareReport.h"

#include "Gbk.h"

namespace vantrel::store {

const ReportField* FieldOfParameter(std::string_view parameter) {
    for (const ReportField& field : kReportFields) {
        if (text::EqualsIgnoringAsciiCase(field.parameter, parameter)) {
            return &field;
        }
    }
    return nullptr;
}

}  // namespace vantrel::store
