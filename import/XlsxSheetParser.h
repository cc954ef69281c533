#pragma once
// A sheet of a .xlsx turned into rows, its XML fed through expat a chunk
// at a time. What a row may hold (its cells' bytes as they are filled,
// shared strings and merged cells included), what the sheet may hold and
// how deep elements nest are bounded, and the parser pauses once a
// megabyte of rows waits, so memory stays a few MB whatever the file.
// Cells it cannot read as the file means them (a shared string without a
// number or past the table's end, a cell given twice, a row out of order)
// make their row a problem row.

#include <expat.h>

#include <bitset>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ImportLimits.h"
#include "XlsxMergedFill.h"
#include "XlsxSharedStrings.h"

namespace vantrel::import {

class XlsxSheetParser {
  public:
    struct Row {
        std::size_t number = 0;
        std::vector<std::string> cells;  // UTF-8
        std::optional<std::string> problem;
    };

    XlsxSheetParser(std::string path, SharedStrings shared, std::vector<bool> dateStyles,
                    bool epoch1904, std::vector<MergedRange> merged);
    ~XlsxSheetParser();
    XlsxSheetParser(const XlsxSheetParser&) = delete;
    XlsxSheetParser& operator=(const XlsxSheetParser&) = delete;

    // Parses the next chunk of the sheet (`last`: it ends there), or goes
    // on where a pause left off when Paused(). Throws ImportError.
    void Feed(std::string_view chunk, bool last);
    void Resume();
    bool Paused() const { return paused_; }

    // The next row read; false when none waits.
    bool Take(Row& row);

  private:
    enum class Type { Number, Shared, Text, Boolean, Date };

    void Check(XML_Status status);
    void Stop(std::string message);
    void Start(std::string_view name, const XML_Char** attributes);
    void End(std::string_view name);
    void Text(std::string_view text);
    void StartRow(const XML_Char** attributes);
    void StartCell(const XML_Char** attributes);
    void EndCell();
    void EndRow();
    // Turns `value_`, as the cell holds it, into the text it shows.
    void CellText();
    void Problem(std::string reason);

    std::string path_;
    XML_Parser parser_ = nullptr;
    SharedStrings shared_;
    std::vector<bool> dateStyles_;
    bool epoch1904_ = false;
    MergedFill merged_;

    std::deque<Row> ready_;
    std::size_t readyBytes_ = 0;  // of the rows waiting, roughly
    bool paused_ = false;
    bool pauseAsked_ = false;
    std::string error_;  // set to stop the parser from inside a callback
    int depth_ = 0;
    std::size_t sheetBytes_ = 0;

    Row row_;
    std::size_t width_ = 0;  // of the row before, room kept for the next
    std::size_t rowBytes_ = 0;
    std::size_t lastRow_ = 0;         // the number of the last row in order
    std::size_t previousRow_ = 0;     // the number of the row element before
    bool inOrder_ = true;             // this row comes after the one before
    std::bitset<kMaxColumns> given_;  // cells of this row read so far
    std::size_t column_ = 0;
    Type cellType_ = Type::Number;
    int cellStyle_ = 0;
    bool inCell_ = false;
    bool inValue_ = false;  // <v>, or <t> of an inline string
    int phonetic_ = 0;
    std::string value_;
};

}  // namespace vantrel::import
