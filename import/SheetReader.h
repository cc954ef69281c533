#pragma once
// A spreadsheet read one row at a time, whatever its format, so that a
// file of any length is read in bounded memory. Cells come as GBK text
// trimmed of the blanks around it.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::import {

class SheetReader {
  public:
    virtual ~SheetReader() = default;

    // The next row of the file; false at its end. Rows that hold nothing
    // may come as empty rows. Throws ImportError when the file cannot be
    // read on, or passes a bound.
    virtual bool NextRow(std::vector<std::string>& cells) = 0;
    // The file's own number (from 1) of the row NextRow gave last.
    virtual std::size_t RowNumber() const = 0;
    // Whether the file writes every cell of a row, so that a row shorter
    // than its title row is a fault (text and web files); a spreadsheet
    // leaves empty cells out.
    virtual bool WritesEveryCell() const = 0;
    // How far the reader is through the file, 0 to 1, for a progress bar.
    virtual double Progress() const = 0;

    // Characters that GBK lacks, each read as one '?', so far.
    std::size_t Replaced() const { return replaced_; }
    // Why the row NextRow gave last cannot be taken as the file holds it
    // (GBK), when so: the import lists it as a problem row and goes on.
    const std::optional<std::string>& Problem() const { return problem_; }

  protected:
    std::size_t replaced_ = 0;
    std::optional<std::string> problem_;
};

enum class SheetFormat { Text, Html, Xlsx, Xls };

// The sheets of a workbook, by name (GBK); one unnamed sheet for the
// other formats.
std::vector<std::string> SheetNames(const std::string& path);

// Opens the file, telling its format from its first bytes and, for text,
// from its name. Throws ImportError when it is not one this program reads,
// is empty or cannot be opened.
std::unique_ptr<SheetReader> OpenSheet(const std::string& path, std::size_t sheet = 0);

}  // namespace vantrel::import
