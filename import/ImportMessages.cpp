#include "ImportMessages.h"

#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "ImportLimits.h"

namespace vantrel::import::messages {

std::string Gbk(std::string_view utf8) {
    return text::Utf8ToGbk(utf8);
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return Gbk(slash == std::string::npos ? path : path.substr(slash + 1));
}

std::string CannotOpen(const std::string& path, std::string_view reason) {
    return u8"无法打开文件 "_gbk + FileName(path) + u8"："_gbk + Gbk(reason);
}

std::string ReadFailed(const std::string& path, std::string_view reason) {
    return u8"读取文件 "_gbk + FileName(path) + u8" 时出错："_gbk + Gbk(reason);
}

std::string NotASpreadsheet(const std::string& path) {
    return FileName(path) +
           u8" 不是可以导入的表格文件（支持 .xlsx、.xls、.csv、.txt 和 .htm）。"_gbk;
}

std::string EmptyFile(const std::string& path) {
    return FileName(path) + u8" 是空的，没有可导入的内容。"_gbk;
}

std::string NoDataRows(const std::string& path) {
    return FileName(path) + u8" 只有标题行，没有可导入的数据。"_gbk;
}

std::string Damaged(const std::string& path, std::string_view detail) {
    return FileName(path) + u8" 已损坏，无法读取（"_gbk + Gbk(detail) + u8"）。"_gbk;
}

std::string Encrypted(const std::string& path) {
    return FileName(path) + u8" 设有密码保护，请先在 Excel 中取消密码再导入。"_gbk;
}

std::string TooManyColumns(std::size_t row) {
    return u8"第 "_gbk + std::to_string(row) + u8" 行的列数超过 "_gbk +
           std::to_string(kMaxColumns) + u8"，这不是一份电脑清单。"_gbk;
}

std::string CellTooLarge(std::size_t row) {
    return u8"第 "_gbk + std::to_string(row) + u8" 行有一个超过 "_gbk +
           std::to_string(kMaxCellBytes / 1024 / 1024) + u8" MB 的单元格，文件可能已损坏。"_gbk;
}

std::string TooLargeExpanded(const std::string& path) {
    return FileName(path) + u8" 解压后超过 "_gbk + std::to_string(kMaxExpandedBytes / 1024 / 1024) +
           u8" MB，不像是一份电脑清单，已拒绝读取。"_gbk;
}

std::string NoTable(const std::string& path) {
    return FileName(path) + u8" 中没有表格（<table>）。"_gbk;
}

}  // namespace vantrel::import::messages
