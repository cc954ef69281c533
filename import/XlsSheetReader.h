#pragma once
// A sheet of an Excel 97-2003 or 5.0/95 workbook (.xls, BIFF8 and BIFF5 in
// a compound file), read with libfreexl, and the bare BIFF worksheet
// stream that this program's own .xls export writes (GBK labels, numbers,
// RK integers), which libfreexl does not open.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "SheetReader.h"

namespace vantrel::import {

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
    void ReadBareBiff(const std::string& path);

    const void* handle_ = nullptr;  // libfreexl's workbook
    unsigned rows_ = 0;
    unsigned short columns_ = 0;
    // The bare stream is small (65,536 rows at most): read whole.
    std::vector<std::vector<std::string>> bare_;
    bool isBare_ = false;
    std::size_t next_ = 0;  // rows handed out
};

}  // namespace vantrel::import
