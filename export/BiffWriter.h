#pragma once
// Records of a minimal BIFF worksheet (.xls), little-endian, written to a
// byte stream: BOF, CODEPAGE, COLINFO, cell records and EOF. Cell records
// carry their row and column; the caller keeps the position.

#include <cstdint>
#include <string_view>

#include "ByteStream.h"

namespace vantrel::exporter {

class BiffWriter {
  public:
    // The longest LABEL text: the record length field must hold 8 + n.
    static constexpr std::size_t kMaxLabelBytes = 65535 - 8;
    // Integers the RK form holds exactly: 30 bits, signed.
    static constexpr std::int32_t kRkMin = -(1 << 29);
    static constexpr std::int32_t kRkMax = (1 << 29) - 1;

    explicit BiffWriter(ByteStream& stream) : stream_(stream) {}

    // BOF of a worksheet, then the CODEPAGE record 936 so that readers take
    // the texts as GBK.
    void Begin();
    void End();
    // Columns first..last get a width of `characters` character widths.
    void ColumnWidth(std::uint16_t first, std::uint16_t last, std::uint16_t characters);

    // Throws ExportError for a text longer than kMaxLabelBytes.
    void Label(std::uint16_t row, std::uint16_t col, std::string_view text);
    void Number(std::uint16_t row, std::uint16_t col, double value);
    // Only for kRkMin..kRkMax.
    void Rk(std::uint16_t row, std::uint16_t col, std::int32_t value);
    void Blank(std::uint16_t row, std::uint16_t col);

  private:
    void PutRecordHead(std::uint16_t number, std::uint16_t length);
    void PutCellHead(std::uint16_t number, std::uint16_t length, std::uint16_t row,
                     std::uint16_t col, std::uint16_t format);

    ByteStream& stream_;
};

}  // namespace vantrel::exporter
