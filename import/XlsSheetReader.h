#pragma once
// A sheet of an Excel 97-2003 or 5.0/95 workbook (.xls: BIFF8 or BIFF5 in
// a compound file), and the bare BIFF worksheet stream that this
// program's own .xls export writes. Texts, numbers, dates, booleans, the
// cached results of formulas and merged ranges are read. Rows are handed
// out one at a time in bounded memory when the file gives its cells in
// row order (as Excel and LibreOffice do); a sheet in any other order is
// held whole, within kMaxSheetBytes, and sorted first.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "BiffRecords.h"
#include "SheetReader.h"
#include "XlsMergedRanges.h"

namespace vantrel::import {

class XlsWorkbook;

class XlsSheetReader : public SheetReader {
  public:
    XlsSheetReader(const std::string& path, std::size_t sheet);
    ~XlsSheetReader() override;

    static std::vector<std::string> SheetNames(const std::string& path);
    // Whether the bytes start like a bare BIFF worksheet stream.
    static bool IsBareBiff(std::string_view head);

    bool NextRow(std::vector<std::string>& cells) override;
    std::size_t RowNumber() const override { return next_; }
    bool WritesEveryCell() const override { return false; }
    double Progress() const override;

  private:
    struct Cell {
        std::uint32_t row;
        std::uint16_t column;
        std::string text;  // GBK
    };

    void Scan(std::size_t offset);
    bool ReadRecord();
    void Decode(const BiffRecord& record);
    void Take(std::uint32_t row, std::uint16_t column, std::string text);
    std::string NumberCell(std::uint16_t xf, double value) const;
    std::string LabelText(const std::vector<std::string_view>& parts, std::size_t at);
    void ChargeRow(std::size_t bytes);
    void ChargeSheet(std::size_t row, std::size_t bytes);
    void BuildRow(std::vector<std::string>& cells);

    std::unique_ptr<XlsWorkbook> book_;
    BiffRecordReader records_;
    std::uint16_t codePage_ = 1252;
    int depth_ = 0;  // BOF records open: embedded charts nest
    bool ended_ = false;
    bool inOrder_ = true;
    bool loaded_ = false;
    std::vector<Cell> buffer_;  // read, not yet handed out, in row order
    std::size_t head_ = 0;
    XlsMergedRanges merged_;
    std::size_t rows_ = 0;  // rows to hand out
    std::size_t next_ = 0;  // rows handed out
    std::size_t rowBytes_ = 0;
    std::size_t sheetBytes_ = 0;
    // A formula whose text result the STRING record after it holds.
    bool formulaPending_ = false;
    std::uint32_t formulaRow_ = 0;
    std::uint16_t formulaColumn_ = 0;
};

}  // namespace vantrel::import
