#include "TTextExporter.h"

namespace vantrel::exporter {

void TTextExporter::WriteGrid(TByteStream& stream, bool allRecords) {
    firstLine_ = true;
    TGridExporter::WriteGrid(stream, allRecords);
}

void TTextExporter::SeparateRow() {
    if (firstLine_) {
        firstLine_ = false;
    } else {
        Put("\r\n");
    }
}

void TTextExporter::SeparateCell() {
    if (firstField_) {
        firstField_ = false;
    } else {
        const char separator = FieldSeparator();
        Put(std::string_view(&separator, 1));
    }
}

void TTextExporter::EmitTitleRow(const std::vector<TExportColumn>& columns) {
    SeparateRow();
    const char separator = FieldSeparator();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        PutValue(columns[i].caption);
        if (i + 1 < columns.size()) {
            Put(std::string_view(&separator, 1));
        }
    }
}

void TTextExporter::EmitRecordRow(const std::vector<TExportColumn>& columns) {
    SeparateRow();
    firstField_ = true;
    TGridExporter::EmitRecordRow(columns);
}

void TTextExporter::EmitDataCell(const TExportColumn& /*column*/, const ExportCell& cell) {
    SeparateCell();
    PutValue(cell.text);
}

}  // namespace vantrel::exporter
