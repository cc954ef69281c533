#pragma once
// A minimal BIFF worksheet: the title captions in row 0, one row per record,
// integers as RK (or NUMBER where RK cannot hold them), floating-point values
// as NUMBER, nulls as BLANK and everything else as a LABEL of its text.

#include <cstdint>

#include "BiffWriter.h"
#include "GridExporter.h"

namespace vantrel::exporter {

class XlsExporter : public GridExporter {
  public:
    // The last row a BIFF worksheet has.
    static constexpr std::uint32_t kMaxRow = 65535;

    using GridExporter::GridExporter;

    void EmitHeader() override;
    void EmitTrailer() override;
    void EmitTitleRow(const std::vector<ExportColumn>& columns) override;
    void EmitDataCell(const ExportColumn& column, const ExportCell& cell) override;
    void WriteGrid(ByteStream& stream, bool allRecords) override;

  protected:
    void PutLabel(std::string_view text);
    void PutNumber(double value);
    void PutInteger(std::int64_t value);
    void PutBlank();

  private:
    // The position of the next cell; throws ExportError past the last row
    // instead of wrapping over row 0.
    std::uint16_t Row() const;
    void Advance();

    BiffWriter* biff_ = nullptr;
    std::size_t columnCount_ = 0;
    std::uint32_t row_ = 0;
    std::uint16_t col_ = 0;
};

}  // namespace vantrel::exporter
