#pragma once
// Delimited text (.csv, .txt): tab, semicolon or comma, whichever the
// title row holds most of; fields quoted as RFC 4180 has it may hold
// separators, doubled quotes and line breaks; a quote still open at the
// end of the file makes its row a problem row. The text is UTF-8 (with or
// without a byte order mark) or GBK, as Excel's "CSV UTF-8" and its plain
// "CSV" of a Chinese locale write them, told from the whole file (see
// ReadEncoding).

#include <memory>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "SheetReader.h"

namespace vantrel::import {

class TextSheetReader : public SheetReader {
  public:
    explicit TextSheetReader(const std::string& path);

    bool NextRow(std::vector<std::string>& cells) override;
    std::size_t RowNumber() const override { return row_; }
    bool WritesEveryCell() const override { return true; }
    double Progress() const override;

    char Separator() const { return separator_; }
    bool IsUtf8() const { return encoding_ != TextEncoding::Gbk; }

  private:
    void SkipByteOrderMark();
    char DetectSeparator();
    std::string Cell(std::string& raw);

    std::string path_;
    std::unique_ptr<FileBytes> file_;
    TextEncoding encoding_ = TextEncoding::Gbk;
    char separator_ = ',';
    std::size_t row_ = 0;
};

}  // namespace vantrel::import
