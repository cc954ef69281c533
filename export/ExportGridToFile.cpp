#include "ExportGridToFile.h"

#include "CsvExporter.h"
#include "HtmlExporter.h"
#include "RtfExporter.h"
#include "TextExporter.h"
#include "XlsExporter.h"

namespace vantrel::exporter {

std::optional<WriterKind> WriterOfFilterIndex(int index) {
    switch (index) {
        case 1:
            return WriterKind::Xls;
        case 2:
            return WriterKind::Text;
        case 3:
            return WriterKind::Csv;
        case 4:
            return WriterKind::Html;
        case 5:
            return WriterKind::Rtf;
        default:
            return std::nullopt;
    }
}

std::unique_ptr<GridExporter> MakeExporter(WriterKind kind, ExportGrid& grid) {
    switch (kind) {
        case WriterKind::Xls:
            return std::make_unique<XlsExporter>(grid);
        case WriterKind::Text:
            return std::make_unique<TextExporter>(grid);
        case WriterKind::Csv:
            return std::make_unique<CsvExporter>(grid);
        case WriterKind::Html:
            return std::make_unique<HtmlExporter>(grid);
        case WriterKind::Rtf:
            return std::make_unique<RtfExporter>(grid);
    }
    return nullptr;
}

void ExportGridToFile(WriterKind kind, ExportGrid& grid, const std::string& path, bool allRecords) {
    std::unique_ptr<GridExporter> writer = MakeExporter(kind, grid);
    writer->WriteGridToFile(path, allRecords);
}

}  // namespace vantrel::exporter
