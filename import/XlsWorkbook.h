#pragma once
// The workbook part of an .xls: its stream, the worksheets it names, the
// shared strings, which cell formats show dates, and the code page of its
// 8-bit text. The program's own bare BIFF export is one unnamed sheet.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CompoundFile.h"

namespace vantrel::import {

class XlsWorkbook {
  public:
    struct Sheet {
        std::string name;        // GBK
        std::size_t offset = 0;  // of its BOF record in the stream
    };

    // Throws ImportError naming the file when it cannot be read, is
    // damaged, encrypted or larger than the bounds allow.
    explicit XlsWorkbook(const std::string& path);

    const std::string& Path() const { return path_; }
    const WorkbookStream& Stream() const { return *stream_; }
    bool IsBiff8() const { return biff8_; }
    bool IsBare() const { return bare_; }
    std::uint16_t CodePage() const { return codePage_; }
    bool Epoch1904() const { return epoch1904_; }
    // The worksheets, in the order of the workbook (charts and macro
    // sheets left out).
    const std::vector<Sheet>& Sheets() const { return sheets_; }
    bool IsDateFormat(std::uint16_t xf) const { return xf < dateXf_.size() && dateXf_[xf]; }
    // Whether the table holds shared string `index`.
    bool HasSharedString(std::uint32_t index) const {
        return index + std::size_t{1} < shared_.size();
    }
    // The shared string `index` (GBK, trimmed), which the table holds;
    // `replaced`: how many characters GBK lacks it read as '?'.
    std::string_view SharedString(std::uint32_t index, std::size_t& replaced) const {
        replaced = replaced_[index];
        return std::string_view(sharedText_)
            .substr(shared_[index], shared_[index + 1] - shared_[index]);
    }

  private:
    void ReadGlobals();
    void ReadSharedStrings(const std::vector<std::string_view>& parts);

    std::string path_;
    std::unique_ptr<WorkbookStream> stream_;
    bool bare_ = false;
    bool biff8_ = false;
    std::uint16_t codePage_ = 1252;
    bool epoch1904_ = false;
    std::vector<Sheet> sheets_;
    std::vector<bool> dateXf_;
    // The shared strings one after another, and where each starts (one
    // more entry: where the last ends), which takes a fraction of the
    // memory of a string each.
    std::string sharedText_;
    std::vector<std::size_t> shared_{0};
    std::vector<std::uint16_t> replaced_;  // per shared string, at most 65,535
};

// Whether a number format shows a date or a time: the built-in ones
// (Chinese ones included), and codes with a day, year, hour or second
// outside quoted text and brackets.
bool IsDateFormatId(std::uint16_t id);
bool IsDateFormatCode(std::string_view code);

}  // namespace vantrel::import
