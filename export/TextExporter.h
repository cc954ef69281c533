#pragma once
// Tab-separated text: lines separated by CR LF, none after the last; values
// neither quoted nor escaped.

#include "GridExporter.h"

namespace vantrel::exporter {

class TextExporter : public GridExporter {
  public:
    using GridExporter::GridExporter;

    void EmitTitleRow(const std::vector<ExportColumn>& columns) override;
    void EmitRecordRow(const std::vector<ExportColumn>& columns) override;
    void EmitDataCell(const ExportColumn& column, const ExportCell& cell) override;
    void WriteGrid(ByteStream& stream, bool allRecords) override;

    // CR LF before every line but the first.
    virtual void SeparateRow();
    // TAB before every field of a row but the first.
    virtual void SeparateCell();

  protected:
    // The text of one value as this format writes it.
    virtual void PutValue(std::string_view text) { Put(text); }
    virtual char FieldSeparator() const { return '\t'; }

  private:
    bool firstLine_ = true;
    bool firstField_ = true;
};

}  // namespace vantrel::exporter
