#include "XlsxSheetParser.h"

#include <cstdlib>

#include "CellText.h"
#include "ImportError.h"
#include "ImportMessages.h"
#include "ReaderMessages.h"
#include "XlsBounds.h"
#include "XlsxXml.h"

namespace vantrel::import {

namespace {

// Rows waiting past this many bytes pause the parser until they are taken.
constexpr std::size_t kReadyBytes = 1024 * 1024;
// What a row costs beside its cells' bytes, so that a run of empty rows
// pauses the parser too.
constexpr std::size_t kRowCost = 64;

}  // namespace

XlsxSheetParser::XlsxSheetParser(std::string path, SharedStrings shared,
                                 std::vector<bool> dateStyles, bool epoch1904,
                                 std::vector<MergedRange> merged)
    : path_(std::move(path)),
      parser_(XML_ParserCreate("UTF-8")),
      shared_(std::move(shared)),
      dateStyles_(std::move(dateStyles)),
      epoch1904_(epoch1904),
      merged_(std::move(merged)) {
    if (parser_ == nullptr) {
        throw std::bad_alloc();
    }
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(
        parser_,
        [](void* self, const XML_Char* name, const XML_Char** attributes) {
            static_cast<XlsxSheetParser*>(self)->Start(LocalName(name), attributes);
        },
        [](void* self, const XML_Char* name) {
            static_cast<XlsxSheetParser*>(self)->End(LocalName(name));
        });
    XML_SetCharacterDataHandler(parser_, [](void* self, const XML_Char* s, int length) {
        static_cast<XlsxSheetParser*>(self)->Text(
            std::string_view(s, static_cast<std::size_t>(length)));
    });
}

XlsxSheetParser::~XlsxSheetParser() {
    XML_ParserFree(parser_);
}

void XlsxSheetParser::Feed(std::string_view chunk, bool last) {
    pauseAsked_ = false;
    Check(XML_Parse(parser_, chunk.data(), static_cast<int>(chunk.size()), last));
}

void XlsxSheetParser::Resume() {
    paused_ = false;
    pauseAsked_ = false;
    Check(XML_ResumeParser(parser_));
}

void XlsxSheetParser::Check(XML_Status status) {
    if (!error_.empty()) {
        throw ImportError(error_);
    }
    if (status == XML_STATUS_ERROR) {
        throw ImportError(messages::Damaged(path_, XML_ErrorString(XML_GetErrorCode(parser_))));
    }
    paused_ = status == XML_STATUS_SUSPENDED;
}

bool XlsxSheetParser::Take(Row& row) {
    if (ready_.empty()) {
        return false;
    }
    row = std::move(ready_.front());
    ready_.pop_front();
    if (ready_.empty()) {
        readyBytes_ = 0;
    }
    return true;
}

void XlsxSheetParser::Stop(std::string message) {
    if (error_.empty()) {
        error_ = std::move(message);
        XML_StopParser(parser_, XML_FALSE);
    }
}

void XlsxSheetParser::Problem(std::string reason) {
    if (!row_.problem) {
        row_.problem = std::move(reason);
    }
}

void XlsxSheetParser::Start(std::string_view name, const XML_Char** attributes) {
    if (!error_.empty()) {
        return;
    }
    if (++depth_ > kMaxXmlDepth) {
        Stop(messages::Damaged(path_, "elements nested too deep"));
    } else if (name == "row") {
        StartRow(attributes);
    } else if (name == "c") {
        StartCell(attributes);
    } else if (inCell_ && name == "rPh") {
        ++phonetic_;
    } else if (inCell_ && phonetic_ == 0 && (name == "v" || name == "t")) {
        inValue_ = true;
    }
}

void XlsxSheetParser::End(std::string_view name) {
    --depth_;
    if (!error_.empty()) {
        return;
    }
    if (name == "c") {
        inCell_ = false;
        EndCell();
    } else if (name == "v" || name == "t") {
        inValue_ = false;
    } else if (name == "rPh") {
        --phonetic_;
    } else if (name == "row") {
        EndRow();
    }
}

void XlsxSheetParser::Text(std::string_view text) {
    if (!inValue_ || !error_.empty()) {
        return;
    }
    if (value_.size() + text.size() > kMaxCellBytes) {
        Stop(messages::CellTooLarge(row_.number));
        return;
    }
    value_ += text;
}

void XlsxSheetParser::StartRow(const XML_Char** attributes) {
    const char* r = Attribute(attributes, "r");
    const std::size_t number = r != nullptr ? std::strtoul(r, nullptr, 10) : previousRow_ + 1;
    if (number > kMaxSheetRows) {
        Stop(messages::Damaged(path_, "row number past 1048576"));
        return;
    }
    previousRow_ = number;
    row_.number = number;
    row_.cells.clear();
    row_.cells.reserve(width_);
    row_.problem.reset();
    rowBytes_ = 0;
    given_.reset();
    column_ = 0;
    // A row given twice, or after a row below it, is not merged into the
    // ranges: they are followed down the sheet in order.
    inOrder_ = number > lastRow_;
    if (!inOrder_) {
        Problem(messages::RowOutOfOrder(lastRow_));
        return;
    }
    lastRow_ = number;
    if (!merged_.EnterRow(number)) {
        Stop(messages::Damaged(path_, "merged ranges overlap"));
    }
}

void XlsxSheetParser::StartCell(const XML_Char** a) {
    inCell_ = true;
    value_.clear();
    const char* t = nullptr;
    const char* s = nullptr;
    const char* r = nullptr;
    for (int i = 0; a[i] != nullptr; i += 2) {
        const std::string_view attribute = LocalName(a[i]);
        if (attribute == "t") {
            t = a[i + 1];
        } else if (attribute == "s") {
            s = a[i + 1];
        } else if (attribute == "r") {
            r = a[i + 1];
        }
    }
    cellType_ = Type::Number;
    if (t != nullptr) {
        const std::string_view type(t);
        if (type == "s") {
            cellType_ = Type::Shared;
        } else if (type == "inlineStr" || type == "str" || type == "e") {
            cellType_ = Type::Text;
        } else if (type == "b") {
            cellType_ = Type::Boolean;
        } else if (type == "d") {
            cellType_ = Type::Date;
        }
    }
    cellStyle_ = s != nullptr ? std::atoi(s) : 0;
    std::size_t refColumn = 0;
    std::size_t refRow = 0;
    if (r != nullptr && ParseReference(r, refColumn, refRow)) {
        column_ = refColumn;
    }
}

void XlsxSheetParser::CellText() {
    switch (cellType_) {
        case Type::Shared: {
            if (value_.empty()) {
                Problem(messages::SharedStringWithoutValue(column_, row_.number));
                return;
            }
            char* end = nullptr;
            const unsigned long index = std::strtoul(value_.c_str(), &end, 10);
            if (*end != '\0' || value_[0] == '-' || index >= shared_.Size()) {
                Problem(messages::SharedStringPastEnd(column_, row_.number, shared_.Size()));
                value_.clear();
                return;
            }
            const std::string_view text = shared_.At(index);
            if (rowBytes_ + text.size() > kMaxRowBytes) {
                Stop(messages::RowTooLarge(row_.number));
                return;
            }
            value_.assign(text);
            return;
        }
        case Type::Text:
            return;
        case Type::Boolean:
            value_ = value_ == "1" ? "TRUE" : "FALSE";
            return;
        case Type::Date:
            if (value_.size() > 10 && value_[10] == 'T') {
                value_[10] = ' ';
            }
            if (value_.size() > 19) {
                value_.resize(19);
            }
            return;
        case Type::Number:
            break;
    }
    if (value_.empty()) {
        return;
    }
    char* end = nullptr;
    const double number = std::strtod(value_.c_str(), &end);
    if (end == value_.c_str()) {
        return;
    }
    const bool date = cellStyle_ >= 0 &&
                      static_cast<std::size_t>(cellStyle_) < dateStyles_.size() &&
                      dateStyles_[static_cast<std::size_t>(cellStyle_)];
    value_ = date ? SerialDateText(number, epoch1904_) : NumberText(number);
}

void XlsxSheetParser::EndCell() {
    if (column_ >= kMaxColumns) {
        Stop(messages::TooManyColumns(row_.number));
        return;
    }
    CellText();
    if (!error_.empty()) {
        return;
    }
    if (given_[column_]) {
        Problem(messages::CellRepeated(column_, row_.number));
    }
    given_.set(column_);
    std::string text = std::move(value_);
    value_.clear();
    if (inOrder_) {
        const std::string& shown = merged_.CellValue(column_, text);
        if (&shown != &text) {
            if (rowBytes_ + shown.size() > kMaxRowBytes) {
                Stop(messages::RowTooLarge(row_.number));
                return;
            }
            text = shown;
        }
    }
    rowBytes_ += text.size();
    if (rowBytes_ > kMaxRowBytes) {
        Stop(messages::RowTooLarge(row_.number));
        return;
    }
    if (row_.cells.size() <= column_) {
        row_.cells.resize(column_ + 1);
    }
    row_.cells[column_] = std::move(text);
    ++column_;
}

void XlsxSheetParser::EndRow() {
    if (inOrder_ && !merged_.FillRow(row_.cells, rowBytes_, kMaxRowBytes)) {
        Stop(messages::RowTooLarge(row_.number));
        return;
    }
    sheetBytes_ += rowBytes_;
    if (sheetBytes_ > kMaxXlsxSheetBytes) {
        Stop(messages::XlsxSheetTooLarge(row_.number));
        return;
    }
    width_ = row_.cells.size();
    readyBytes_ += rowBytes_ + kRowCost;
    ready_.push_back(std::move(row_));
    row_ = Row();
    if (readyBytes_ >= kReadyBytes && !pauseAsked_) {
        pauseAsked_ = true;
        XML_StopParser(parser_, XML_TRUE);
    }
}

}  // namespace vantrel::import
