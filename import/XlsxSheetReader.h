#pragma once
// A sheet of an Excel workbook (.xlsx), its XML streamed through expat a
// chunk at a time, so that only the rows not yet handed out are held.
// Shared and inline strings, formula cells (their cached value), numbers
// as a general cell shows them, dates as "YYYY-MM-DD HH:MM:SS", and merged
// cells, which take the value of their first cell. The parts are read by
// the Xlsx* units: the workbook, its styles and shared strings, the sheet's
// merged ranges (kept for the next pass), its bytes (inflated on a thread
// of their own) and its rows.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "SheetReader.h"
#include "ZipArchive.h"

namespace vantrel::import {

class XlsxInflater;
class XlsxSheetParser;

class XlsxSheetReader : public SheetReader {
  public:
    // Throws ImportError when the workbook cannot be read or has no such sheet.
    XlsxSheetReader(const std::string& path, std::size_t sheet);
    ~XlsxSheetReader() override;

    // The workbook's sheet names, in its order (GBK).
    static std::vector<std::string> SheetNames(const std::string& path);

    bool NextRow(std::vector<std::string>& cells) override;
    std::size_t RowNumber() const override { return rowNumber_; }
    bool WritesEveryCell() const override { return false; }
    double Progress() const override;

  private:
    std::unique_ptr<ZipArchive> zip_;
    std::unique_ptr<XlsxSheetParser> parser_;
    std::unique_ptr<XlsxInflater> sheet_;  // null once the sheet has ended
    std::string chunk_;                    // being parsed
    std::size_t rowNumber_ = 0;
};

}  // namespace vantrel::import
