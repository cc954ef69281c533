#pragma once
// An RTF table with cell borders, shading and fonts. The colour and font
// tables of the header are complete only after the walk, so the body goes to
// memory first and the file receives header and body at the end: a failed
// walk leaves the file empty.

#include <string>
#include <string_view>
#include <vector>

#include "GridExporter.h"

namespace vantrel::exporter {

class RtfExporter : public GridExporter {
  public:
    using GridExporter::GridExporter;

    void EmitTrailer() override;
    void EmitTitleRow(const std::vector<ExportColumn>& columns) override;
    void EmitRecordRow(const std::vector<ExportColumn>& columns) override;
    void EmitDataCell(const ExportColumn& column, const ExportCell& cell) override;
    void WriteGrid(ByteStream& stream, bool allRecords) override;

    // Text as RTF reads it back: "\", "{" and "}" escaped, a double-byte
    // character whose trail byte is one of them written as two \'hh, other
    // double-byte characters as their raw bytes, a line break as \line.
    static std::string Protected(std::string_view text);
    static std::string_view AlignWord(Alignment alignment);

  protected:
    std::size_t ColorEntry(const Color& color);
    std::size_t FontEntry(std::string_view name);
    void StyledText(const ExportFont& font, std::string_view text, const Color& background);
    void PutCellBorders();

  private:
    // Steps 1 and 2 of a row: the cell definitions, shaded per column.
    void PutRowStart(const std::vector<ExportColumn>& columns, bool title);
    void PutCell(Alignment alignment, const ExportFont& font, std::string_view text,
                 const Color& background);
    std::string Header() const;

    std::vector<Rgb> colors_;
    std::vector<std::string> fonts_;
};

}  // namespace vantrel::exporter
