#include "TextExporter.h"

namespace vantrel::exporter {

void TextExporter::WriteGrid(ByteStream& stream, bool allRecords) {
    firstLine_ = true;
    GridExporter::WriteGrid(stream, allRecords);
}

void TextExporter::SeparateRow() {
    if (firstLine_) {
        firstLine_ = false;
    } else {
        Put("\r\n");
    }
}

void TextExporter::SeparateCell() {
    if (firstField_) {
        firstField_ = false;
    } else {
        const char separator = FieldSeparator();
        Put(std::string_view(&separator, 1));
    }
}

void TextExporter::EmitTitleRow(const std::vector<ExportColumn>& columns) {
    SeparateRow();
    const char separator = FieldSeparator();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        PutValue(columns[i].caption);
        if (i + 1 < columns.size()) {
            Put(std::string_view(&separator, 1));
        }
    }
}

void TextExporter::EmitRecordRow(const std::vector<ExportColumn>& columns) {
    SeparateRow();
    firstField_ = true;
    GridExporter::EmitRecordRow(columns);
}

void TextExporter::EmitDataCell(const ExportColumn& /*column*/, const ExportCell& cell) {
    SeparateCell();
    PutValue(cell.text);
}

}  // namespace vantrel::exporter
