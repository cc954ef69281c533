#include "ExportGridToFile.h"

#include "TCsvExporter.h"
#include "THtmlExporter.h"
#include "TRtfExporter.h"
#include "TTextExporter.h"
#include "TXlsExporter.h"

namespace vantrel::exporter {

std::optional<TWriterKind> WriterOfFilterIndex(int index) {
    switch (index) {
        case 1:
            return TWriterKind::Xls;
        case 2:
            return TWriterKind::Text;
        case 3:
            return TWriterKind::Csv;
        case 4:
            return TWriterKind::Html;
        case 5:
            return TWriterKind::Rtf;
        default:
            return std::nullopt;
    }
}

std::unique_ptr<TGridExporter> MakeExporter(TWriterKind kind, TExportGrid& grid) {
    switch (kind) {
        case TWriterKind::Xls:
            return std::make_unique<TXlsExporter>(grid);
        case TWriterKind::Text:
            return std::make_unique<TTextExporter>(grid);
        case TWriterKind::Csv:
            return std::make_unique<TCsvExporter>(grid);
        case TWriterKind::Html:
            return std::make_unique<THtmlExporter>(grid);
        case TWriterKind::Rtf:
            return std::make_unique<TRtfExporter>(grid);
    }
    return nullptr;
}

void ExportGridToFile(TWriterKind kind, TExportGrid& grid, const std::string& path,
                      bool allRecords) {
    std::unique_ptr<TGridExporter> writer = MakeExporter(kind, grid);
    writer->WriteGridToFile(path, allRecords);
}

}  // namespace vantrel::exporter
