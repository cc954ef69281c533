#include "GridExporter.h"

namespace vantrel::exporter {

void GridExporter::PutLine(std::string_view bytes) {
    stream_->Write(bytes);
    stream_->Write("\r\n");
}

void GridExporter::WriteGridToFile(const std::string& path, bool allRecords) {
    FileStream file(path);
    WriteGrid(file, allRecords);
    file.Close();
}

void GridExporter::EmitRecordRow(const std::vector<ExportColumn>& columns) {
    for (const ExportColumn& column : columns) {
        CellValue value = grid_.Value(column);
        cell_.text = value.isNull ? std::string() : std::move(value.text);
        cell_.alignment = column.alignment;
        cell_.background = column.color;
        cell_.font = column.font;
        EmitDataCell(column, cell_);
    }
}

void GridExporter::WriteGrid(ByteStream& stream, bool /*allRecords*/) {
    // Every record is exported: no caller asks for the selected ones only.
    stream_ = &stream;
    grid_.DisableControls();
    try {
        grid_.SavePosition();
        try {
            const std::vector<ExportColumn> columns = grid_.VisibleColumns();
            EmitHeader();
            if (grid_.Look().titleRow) {
                EmitTitleRow(columns);
            }
            grid_.First();
            while (!grid_.Eof()) {
                EmitRecordRow(columns);
                grid_.Next();
            }
        } catch (...) {
            // The walk's own failure is the one reported.
            try {
                grid_.RestorePosition();
            } catch (...) {
            }
            throw;
        }
        grid_.RestorePosition();
    } catch (...) {
        grid_.EnableControls();
        throw;
    }
    grid_.EnableControls();
    EmitTrailer();
}

}  // namespace vantrel::exporter
