#include "BiffWriter.h"

#include <cstring>
#include <string>

#include "ExportError.h"

namespace vantrel::exporter {

namespace {

void Append16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void Append32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

}  // namespace

void BiffWriter::PutRecordHead(std::uint16_t number, std::uint16_t length) {
    std::string head;
    Append16(head, number);
    Append16(head, length);
    stream_.Write(head);
}

void BiffWriter::PutCellHead(std::uint16_t number, std::uint16_t length, std::uint16_t row,
                             std::uint16_t col, std::uint16_t format) {
    std::string head;
    Append16(head, number);
    Append16(head, length);
    Append16(head, row);
    Append16(head, col);
    Append16(head, format);
    stream_.Write(head);
}

void BiffWriter::Begin() {
    stream_.Write(std::string_view("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00", 12));
    stream_.Write(std::string_view("\x42\x00\x02\x00\xa8\x03", 6));  // CODEPAGE 936
}

void BiffWriter::End() {
    stream_.Write(std::string_view("\x0a\x00\x00\x00", 4));
}

void BiffWriter::ColumnWidth(std::uint16_t first, std::uint16_t last, std::uint16_t characters) {
    // COLINFO: first and last column, width in 1/256 of a character, format
    // 15 (the default cell format), no options.
    std::string record;
    Append16(record, 0x007D);
    Append16(record, 12);
    Append16(record, first);
    Append16(record, last);
    Append16(record, static_cast<std::uint16_t>(characters * 256));
    Append16(record, 15);
    Append16(record, 0);
    Append16(record, 0);
    stream_.Write(record);
}

void BiffWriter::Label(std::uint16_t row, std::uint16_t col, std::string_view text) {
    if (text.size() > kMaxLabelBytes) {
        throw ExportError("A text of " + std::to_string(text.size()) +
                          " bytes does not fit a spreadsheet cell");
    }
    const auto length = static_cast<std::uint16_t>(text.size());
    PutCellHead(0x0204, static_cast<std::uint16_t>(length + 8), row, col, 0);
    std::string size;
    Append16(size, length);
    stream_.Write(size);
    stream_.Write(text);
}

void BiffWriter::Number(std::uint16_t row, std::uint16_t col, double value) {
    PutCellHead(0x0203, 14, row, col, 0);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes;
    Append32(bytes, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
    Append32(bytes, static_cast<std::uint32_t>(bits >> 32));
    stream_.Write(bytes);
}

void BiffWriter::Rk(std::uint16_t row, std::uint16_t col, std::int32_t value) {
    PutCellHead(0x027E, 10, row, col, 0);
    // Shifted left by 2: bit 1 set (an integer), bit 0 clear (not / 100).
    const auto rk = (static_cast<std::uint32_t>(value) << 2) | 2u;
    std::string bytes;
    Append32(bytes, rk);
    stream_.Write(bytes);
}

void BiffWriter::Blank(std::uint16_t row, std::uint16_t col) {
    PutCellHead(0x0201, 6, row, col, 0x0017);
}

}  // namespace vantrel::exporter
