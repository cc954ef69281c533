#pragma once
// What an import tells the administrator, in code page 936. Paths are
// converted from the system's UTF-8 and shown by their file name.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::import::messages {

// The GBK text of a UTF-8 literal.
std::string Gbk(std::string_view utf8);
// The last part of a path, in GBK.
std::string FileName(const std::string& path);

std::string CannotOpen(const std::string& path, std::string_view reason);
std::string ReadFailed(const std::string& path, std::string_view reason);
std::string NotASpreadsheet(const std::string& path);
std::string EmptyFile(const std::string& path);
std::string NoDataRows(const std::string& path);
std::string Damaged(const std::string& path, std::string_view detail);
std::string Encrypted(const std::string& path);
std::string TooManyColumns(std::size_t row);
std::string CellTooLarge(std::size_t row);
std::string TooLargeExpanded(const std::string& path);
std::string NoTable(const std::string& path);

}  // namespace vantrel::import::messages
