#include "ImportMessages.h"

#include "GbkConvert.h"
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
    return Gbk("无法打开文件 ") + FileName(path) + Gbk("：") + Gbk(reason);
}

std::string ReadFailed(const std::string& path, std::string_view reason) {
    return Gbk("读取文件 ") + FileName(path) + Gbk(" 时出错：") + Gbk(reason);
}

std::string NotASpreadsheet(const std::string& path) {
    return FileName(path) +
           Gbk(" 不是可以导入的表格文件（支持 .xlsx、.xls、.csv、.txt 和 .htm）。");
}

std::string EmptyFile(const std::string& path) {
    return FileName(path) + Gbk(" 是空的，没有可导入的内容。");
}

std::string NoDataRows(const std::string& path) {
    return FileName(path) + Gbk(" 只有标题行，没有可导入的数据。");
}

std::string Damaged(const std::string& path, std::string_view detail) {
    return FileName(path) + Gbk(" 已损坏，无法读取（") + Gbk(detail) + Gbk("）。");
}

std::string Encrypted(const std::string& path) {
    return FileName(path) + Gbk(" 设有密码保护，请先在 Excel 中取消密码再导入。");
}

std::string TooManyColumns(std::size_t row) {
    return Gbk("第 ") + std::to_string(row) + Gbk(" 行的列数超过 ") + std::to_string(kMaxColumns) +
           Gbk("，这不是一份电脑清单。");
}

std::string CellTooLarge(std::size_t row) {
    return Gbk("第 ") + std::to_string(row) + Gbk(" 行有一个超过 ") +
           std::to_string(kMaxCellBytes / 1024 / 1024) + Gbk(" MB 的单元格，文件可能已损坏。");
}

std::string TooLargeExpanded(const std::string& path) {
    return FileName(path) + Gbk(" 解压后超过 ") + std::to_string(kMaxExpandedBytes / 1024 / 1024) +
           Gbk(" MB，不像是一份电脑清单，已拒绝读取。");
}

std::string NoTable(const std::string& path) {
    return FileName(path) + Gbk(" 中没有表格（<table>）。");
}

}  // namespace vantrel::import::messages
