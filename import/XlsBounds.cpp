#include "XlsBounds.h"

#include "GbkLiteral.h"
#include "ImportLimits.h"
#include "ImportMessages.h"

namespace vantrel::import::messages {

std::string ColumnName(std::size_t column) {
    std::string name;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) {
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    }
    return name;
}

std::string RowTooLarge(std::size_t row) {
    return u8"第 "_gbk + std::to_string(row) + u8" 行的内容合计超过 "_gbk +
           std::to_string(kMaxRowBytes / 1024 / 1024) +
           u8" MB（合并单元格填充的内容也计算在内），文件可能已损坏，已停止导入。"_gbk;
}

std::string SheetTooLarge(std::size_t row) {
    return u8"读到第 "_gbk + std::to_string(row) + u8" 行时，工作表的内容已超过 "_gbk +
           std::to_string(kMaxSheetBytes / 1024 / 1024) +
           u8" MB，这不像是一份电脑清单，已停止导入。"_gbk;
}

std::string TooManyMergedRanges(const std::string& path) {
    return FileName(path) + u8" 的工作表有超过 "_gbk + std::to_string(kMaxMergedRanges) +
           u8" 处合并单元格，这不像是一份电脑清单，已拒绝读取。"_gbk;
}

std::string UnreadableCell(std::size_t row, std::size_t column, bool formula) {
    const std::string cell = u8"第 "_gbk + std::to_string(row) + u8" 行第 "_gbk +
                             ColumnName(column) + u8" 列（"_gbk + ColumnName(column) +
                             std::to_string(row) + u8"）"_gbk;
    if (formula) {
        return cell +
               u8"是公式，但文件中没有它的计算结果，无法读取。请在 Excel 中打开并重新保存后再导入。"_gbk;
    }
    return cell + u8"的文字在文件中找不到，文件可能已损坏。"_gbk;
}

std::string OutOfMemory(const std::string& path) {
    return u8"读取 "_gbk + FileName(path) + u8" 时内存不足，已停止导入，清单没有改动。"_gbk;
}

}  // namespace vantrel::import::messages
