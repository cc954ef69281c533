#include "TGridExporter.h"

namespace vantrel::exporter {

void TGridExporter::PutLine(std::string_view bytes) {
    stream_->Write(bytes);
    stream_->Write("\r\n");
}

void TGridExporter::WriteGridToFile(const std::string& path, bool allRecords) {
    TFileStream file(path);
    WriteGrid(file, allRecords);
    file.Close();
}

void TGridExporter::EmitRecordRow(const std::vector<TExportColumn>& columns) {
    for (const TExportColumn& column : columns) {
        TFieldValue value = grid_.Value(column);
        cell_.text = value.isNull ? std::string() : std::move(value.text);
        cell_.alignment = column.alignment;
        cell_.background = column.color;
        cell_.font = column.font;
        EmitDataCell(column, cell_);
    }
}

void TGridExporter::WriteGrid(TByteStream& stream, bool /*allRecords*/) {
    // Every record is exported: no caller asks for the selected ones only.
    stream_ = &stream;
    grid_.DisableControls();
    try {
        grid_.SavePosition();
        try {
            const std::vector<TExportColumn> columns = grid_.VisibleColumns();
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
