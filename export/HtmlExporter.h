#pragma once
// An HTML 3.2 table: one row per record, each cell with its width,
// alignment, background and a styled font block. Text stays GBK bytes,
// declared as such in the head.

#include <string>
#include <string_view>

#include "GridExporter.h"

namespace vantrel::exporter {

class HtmlExporter : public GridExporter {
  public:
    using GridExporter::GridExporter;

    void EmitHeader() override;
    void EmitTrailer() override;
    void EmitTitleRow(const std::vector<ExportColumn>& columns) override;
    void EmitRecordRow(const std::vector<ExportColumn>& columns) override;
    void EmitDataCell(const ExportColumn& column, const ExportCell& cell) override;

    // "&", "<", ">" and the double quote as "&amp;", "&lt;", "&gt;", "&quot;"
    // (with the semicolon, so that a ";" after them stays text); double-byte
    // characters are stepped over whole.
    static std::string Escaped(std::string_view text);
    static std::string_view AlignName(Alignment alignment);

  protected:
    // Six uppercase hexadecimal digits; "000000" for no colour.
    std::string HtmlColor(const Color& color) const;
    void FontBlock(const ExportFont& font, std::string_view text);

  private:
    void PutCellStart(const ExportColumn& column, Alignment alignment);
};

}  // namespace vantrel::exporter
