#pragma once
// The first <table> of a web page (.htm, .html): each <tr> a row, each
// <td> or <th> a cell, the cell's text without its tags and with HTML's
// character references decoded. A table inside a cell adds its text to
// that cell; what <script> and <style> hold is not the page's content and
// is stepped over. The encoding is told as for text files.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FileBytes.h"
#include "SheetReader.h"

namespace vantrel::import {

class HtmlSheetReader : public SheetReader {
  public:
    explicit HtmlSheetReader(const std::string& path);

    bool NextRow(std::vector<std::string>& cells) override;
    std::size_t RowNumber() const override { return row_; }
    bool WritesEveryCell() const override { return true; }
    double Progress() const override;

  private:
    struct Tag {
        std::string name;  // lower case, "/" first for a closing tag
    };
    // Reads up to the end of the tag whose '<' was just read.
    Tag ReadTag();
    // Reads a character reference whose '&' was just read, as UTF-8.
    std::string ReadReference();
    void AppendText(std::string_view utf8OrGbk);
    // Steps over the content of the element `name` whose tag was just read.
    void SkipRawText(std::string_view name);
    void EndCell(std::vector<std::string>& cells);

    std::string path_;
    std::unique_ptr<FileBytes> file_;
    TextEncoding encoding_ = TextEncoding::Gbk;
    bool inTable_ = false;
    bool done_ = false;
    int nested_ = 0;  // tables inside the first one
    bool inCell_ = false;
    std::string cell_;  // in the file's encoding
    std::size_t row_ = 0;
    std::size_t rowBytes_ = 0;  // of the row being read
};

}  // namespace vantrel::import
