#include "XlsExporter.h"

#include <charconv>
#include <cmath>
#include <string>

#include "ExportError.h"

namespace vantrel::exporter {

namespace {

// A double holds every integer up to 2^53 exactly.
constexpr std::int64_t kExactInDouble = std::int64_t{1} << 53;

template <typename T>
bool ParseWhole(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

void XlsExporter::WriteGrid(ByteStream& stream, bool allRecords) {
    BiffWriter biff(stream);
    biff_ = &biff;
    row_ = 0;
    col_ = 0;
    columnCount_ = Grid().VisibleColumns().size();
    try {
        GridExporter::WriteGrid(stream, allRecords);
    } catch (...) {
        biff_ = nullptr;
        throw;
    }
    biff_ = nullptr;
}

std::uint16_t XlsExporter::Row() const {
    if (row_ > kMaxRow) {
        throw ExportError("More than " + std::to_string(kMaxRow + 1) +
                          " rows do not fit a spreadsheet file");
    }
    return static_cast<std::uint16_t>(row_);
}

void XlsExporter::Advance() {
    if (col_ + 1u >= columnCount_) {
        ++row_;
        col_ = 0;
    } else {
        ++col_;
    }
}

void XlsExporter::PutLabel(std::string_view text) {
    biff_->Label(Row(), col_, text);
    Advance();
}

void XlsExporter::PutNumber(double value) {
    biff_->Number(Row(), col_, value);
    Advance();
}

void XlsExporter::PutInteger(std::int64_t value) {
    if (value >= BiffWriter::kRkMin && value <= BiffWriter::kRkMax) {
        biff_->Rk(Row(), col_, static_cast<std::int32_t>(value));
        Advance();
    } else {
        PutNumber(static_cast<double>(value));
    }
}

void XlsExporter::PutBlank() {
    biff_->Blank(Row(), col_);
    Advance();
}

void XlsExporter::EmitHeader() {
    biff_->Begin();
}

void XlsExporter::EmitTrailer() {
    biff_->End();
}

void XlsExporter::EmitTitleRow(const std::vector<ExportColumn>& columns) {
    for (const ExportColumn& column : columns) {
        PutLabel(column.caption);
    }
}

void XlsExporter::EmitDataCell(const ExportColumn& column, const ExportCell& cell) {
    if (column.field < 0) {
        PutBlank();
        return;
    }
    const CellValue value = Grid().Value(column);
    if (value.isNull) {
        PutBlank();
        return;
    }
    // A number column whose value does not read as a number (the database
    // keeps what it was given) is written as the text the grid shows.
    if (column.fieldKind == FieldKind::Integer) {
        std::int64_t integer = 0;
        if (ParseWhole(value.text, integer) && integer >= -kExactInDouble &&
            integer <= kExactInDouble) {
            PutInteger(integer);
            return;
        }
    } else if (column.fieldKind == FieldKind::Float) {
        double number = 0;
        if (ParseWhole(value.text, number) && std::isfinite(number)) {
            PutNumber(number);
            return;
        }
    }
    PutLabel(cell.text);
}

}  // namespace vantrel::exporter
