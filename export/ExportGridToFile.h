#pragma once
// Choosing a writer and running it on a file.

#include <memory>
#include <optional>
#include <string>

#include "GridExporter.h"

namespace vantrel::exporter {

enum class WriterKind { Xls, Text, Csv, Html, Rtf };

// The writer of an entry of the export dialog's filter (counted from 1):
// 1 .xls, 2 .txt, 3 .csv, 4 .htm, 5 .rtf; none for any other index.
std::optional<WriterKind> WriterOfFilterIndex(int index);

std::unique_ptr<GridExporter> MakeExporter(WriterKind kind, ExportGrid& grid);

// Creates a writer of the kind for the grid and writes the file with it; the
// writer is gone when this returns, also when a failure passes through.
void ExportGridToFile(WriterKind kind, ExportGrid& grid, const std::string& path, bool allRecords);

}  // namespace vantrel::exporter
