#pragma once
// What the sheet readers tell the administrator (code page 936): the
// bounds a file passed, the encoding of a list, and why one row cannot be
// read as the file holds it (shown beside its row number).

#include <cstddef>
#include <string>

namespace vantrel::import::messages {

// A row past its bound is XlsBounds.h's RowTooLarge, shared by the readers.
std::string XlsxSheetTooLarge(std::size_t row);
std::string NulByte(const std::string& path, std::size_t line);
std::string NeitherEncoding(const std::string& path, std::size_t line);

// "B12" for column 1 (from 0) of row 12.
std::string CellName(std::size_t column, std::size_t row);

// Reasons of problem rows.
std::string SharedStringWithoutValue(std::size_t column, std::size_t row);
std::string SharedStringPastEnd(std::size_t column, std::size_t row, std::size_t count);
std::string CellRepeated(std::size_t column, std::size_t row);
std::string RowOutOfOrder(std::size_t previous);
std::string UnclosedQuote();
std::string NotInEncoding(bool utf8);

}  // namespace vantrel::import::messages
