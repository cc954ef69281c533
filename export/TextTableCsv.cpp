#include "TextTableCsv.h"

#include <fstream>

#include "CsvExporter.h"
#include "ExportError.h"

namespace vantrel::exporter {

void WriteCsvTable(const std::string& path, const TextTable& rows) {
    std::string bytes;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            bytes += c == 0 ? "" : ",";
            bytes += CsvExporter::Quoted(row[c]);
        }
        bytes += "\r\n";
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw ExportError("Cannot write " + QuotedPath(path));
    }
}

}  // namespace vantrel::exporter
