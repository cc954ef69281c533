#include "ReaderMessages.h"

#include "GbkLiteral.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "XlsBounds.h"

namespace vantrel::import::messages {

std::string XlsxSheetTooLarge(std::size_t row) {
    return u8"读到第 "_gbk + std::to_string(row) + u8" 行时，表格展开后已超过 "_gbk +
           std::to_string(kMaxXlsxSheetBytes / 1024 / 1024) +
           u8" MB，不像是一份电脑清单，已停止导入。"_gbk;
}

std::string NulByte(const std::string& path, std::size_t line) {
    return FileName(path) + u8" 的第 "_gbk + std::to_string(line) +
           u8" 行含有 NUL 字节，不是文本文件，已拒绝读取。"_gbk;
}

std::string NeitherEncoding(const std::string& path, std::size_t line) {
    return FileName(path) + u8" 的编码既不是 UTF-8 也不是 GBK（第 "_gbk + std::to_string(line) +
           u8" 行无法识别），请另存为 UTF-8 或 GBK 后再导入。"_gbk;
}

std::string CellName(std::size_t column, std::size_t row) {
    return ColumnName(column) + std::to_string(row);
}

std::string SharedStringWithoutValue(std::size_t column, std::size_t row) {
    return u8"单元格 "_gbk + CellName(column, row) + u8" 引用共享字符串，却没有给出序号"_gbk;
}

std::string SharedStringPastEnd(std::size_t column, std::size_t row, std::size_t count) {
    return u8"单元格 "_gbk + CellName(column, row) + u8" 引用的共享字符串不存在（文件只有 "_gbk +
           std::to_string(count) + u8" 个）"_gbk;
}

std::string CellRepeated(std::size_t column, std::size_t row) {
    return u8"单元格 "_gbk + CellName(column, row) + u8" 在文件中出现了不止一次"_gbk;
}

std::string RowOutOfOrder(std::size_t previous) {
    return u8"行号重复，或排在第 "_gbk + std::to_string(previous) + u8" 行之后"_gbk;
}

std::string UnclosedQuote() {
    return u8"这一行的引号直到文件末尾都没有闭合，其后的内容都被读进了这一行"_gbk;
}

std::string NotInEncoding(bool utf8) {
    return utf8 ? u8"这一行含有不属于 UTF-8 的字节"_gbk : u8"这一行含有不属于 GBK 的字节"_gbk;
}

}  // namespace vantrel::import::messages
