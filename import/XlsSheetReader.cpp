#include "XlsSheetReader.h"

#include <freexl.h>

#include <cstdint>
#include <cstring>

#include "CellText.h"
#include "FileBytes.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"

namespace vantrel::import {

namespace {

std::string FreexlError(int code) {
    return "libfreexl " + std::to_string(code);
}

const void* OpenWorkbook(const std::string& path) {
    const void* handle = nullptr;
    const int rc = freexl_open(path.c_str(), &handle);
    if (rc != FREEXL_OK) {
        if (handle != nullptr) {
            freexl_close(handle);
        }
        if (rc == FREEXL_FILE_NOT_FOUND || rc == FREEXL_CFBF_READ_ERROR ||
            rc == FREEXL_CFBF_SEEK_ERROR) {
            throw ImportError(messages::ReadFailed(path, FreexlError(rc)));
        }
        throw ImportError(messages::Damaged(path, FreexlError(rc)));
    }
    unsigned password = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        freexl_close(handle);
        throw ImportError(messages::Encrypted(path));
    }
    return handle;
}

std::uint16_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

double RkValue(std::uint32_t rk) {
    double value = 0;
    if ((rk & 2) != 0) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) != 0 ? value / 100 : value;
}

}  // namespace

bool XlsSheetReader::IsBareBiff(std::string_view head) {
    // BOF of BIFF2 to BIFF8: 0x0009, 0x0209, 0x0409, 0x0809.
    return head.size() >= 4 && head[0] == '\x09' &&
           (head[1] == '\x00' || head[1] == '\x02' || head[1] == '\x04' || head[1] == '\x08');
}

XlsSheetReader::XlsSheetReader(const std::string& path, std::size_t sheet) {
    {
        FileBytes file(path);
        std::string head;
        for (int i = 0; i < 4; ++i) {
            const int c = file.Get();
            if (c < 0) {
                break;
            }
            head += static_cast<char>(c);
        }
        isBare_ = IsBareBiff(head);
    }
    if (isBare_) {
        ReadBareBiff(path);
        return;
    }
    handle_ = OpenWorkbook(path);
    if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(sheet)) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle_, &rows_, &columns_) != FREEXL_OK) {
        freexl_close(handle_);
        handle_ = nullptr;
        throw ImportError(messages::Damaged(path, "no such sheet"));
    }
    if (columns_ > kMaxColumns) {
        freexl_close(handle_);
        handle_ = nullptr;
        throw ImportError(messages::TooManyColumns(1));
    }
}

XlsSheetReader::~XlsSheetReader() {
    if (handle_ != nullptr) {
        freexl_close(handle_);
    }
}

std::vector<std::string> XlsSheetReader::SheetNames(const std::string& path) {
    {
        FileBytes file(path);
        std::string head;
        for (int i = 0; i < 4 && file.Peek() >= 0; ++i) {
            head += static_cast<char>(file.Get());
        }
        if (IsBareBiff(head)) {
            return {std::string()};
        }
    }
    const void* handle = OpenWorkbook(path);
    unsigned count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    std::vector<std::string> names;
    for (unsigned i = 0; i < count && i < 256; ++i) {
        const char* name = nullptr;
        freexl_get_worksheet_name(handle, static_cast<unsigned short>(i), &name);
        names.push_back(text::Utf8ToGbk(name != nullptr ? name : ""));
    }
    freexl_close(handle);
    return names;
}

void XlsSheetReader::ReadBareBiff(const std::string& path) {
    FileBytes file(path);
    std::string record;
    for (;;) {
        std::string head;
        for (int i = 0; i < 4; ++i) {
            const int c = file.Get();
            if (c < 0) {
                return;  // a stream cut short ends where it ends
            }
            head += static_cast<char>(c);
        }
        const std::uint16_t number = U16(head, 0);
        const std::uint16_t length = U16(head, 2);
        record.clear();
        for (std::uint16_t i = 0; i < length; ++i) {
            const int c = file.Get();
            if (c < 0) {
                throw ImportError(messages::Damaged(path, "record cut short"));
            }
            record += static_cast<char>(c);
        }
        if (number == 0x000A) {
            return;  // EOF
        }
        const bool cell =
            number == 0x0204 || number == 0x0203 || number == 0x027E || number == 0x0201;
        if (!cell || record.size() < 6) {
            continue;
        }
        const std::size_t row = U16(record, 0);
        const std::size_t column = U16(record, 2);
        if (column >= kMaxColumns) {
            throw ImportError(messages::TooManyColumns(row + 1));
        }
        std::string value;
        if (number == 0x0204 && record.size() >= 8) {
            const std::size_t size = U16(record, 6);
            value = record.substr(8, size);  // GBK, as the CODEPAGE record says
        } else if (number == 0x0203 && record.size() >= 14) {
            double d = 0;
            std::memcpy(&d, record.data() + 6, sizeof d);
            value = NumberText(d);
        } else if (number == 0x027E && record.size() >= 10) {
            std::uint32_t rk = 0;
            for (int i = 3; i >= 0; --i) {
                rk = rk << 8 | static_cast<unsigned char>(record[6 + static_cast<std::size_t>(i)]);
            }
            value = NumberText(RkValue(rk));
        }
        if (bare_.size() <= row) {
            bare_.resize(row + 1);
        }
        if (bare_[row].size() <= column) {
            bare_[row].resize(column + 1);
        }
        bare_[row][column] = TrimmedGbk(value);
    }
}

bool XlsSheetReader::NextRow(std::vector<std::string>& cells) {
    cells.clear();
    if (isBare_) {
        if (next_ >= bare_.size()) {
            return false;
        }
        cells = std::move(bare_[next_]);
        ++next_;
        return true;
    }
    if (next_ >= rows_) {
        return false;
    }
    const auto row = static_cast<unsigned>(next_);
    ++next_;
    for (unsigned short column = 0; column < columns_; ++column) {
        FreeXL_CellValue cell{};
        if (freexl_get_cell_value(handle_, row, column, &cell) != FREEXL_OK) {
            cells.emplace_back();
            continue;
        }
        std::string utf8;
        switch (cell.type) {
            case FREEXL_CELL_INT:
                utf8 = std::to_string(cell.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                utf8 = NumberText(cell.value.double_value);
                break;
            case FREEXL_CELL_DATE:
                utf8 = std::string(cell.value.text_value) + " 00:00:00";
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                utf8 = cell.value.text_value != nullptr ? cell.value.text_value : "";
                break;
            default:
                break;
        }
        if (utf8.size() > kMaxCellBytes) {
            throw ImportError(messages::CellTooLarge(next_));
        }
        std::size_t replaced = 0;
        cells.push_back(TrimmedGbk(text::Utf8ToGbk(utf8, &replaced)));
        replaced_ += replaced;
    }
    while (!cells.empty() && cells.back().empty()) {
        cells.pop_back();
    }
    return true;
}

double XlsSheetReader::Progress() const {
    const std::size_t total = isBare_ ? bare_.size() : rows_;
    return total == 0 ? 1.0 : static_cast<double>(next_) / static_cast<double>(total);
}

}  // namespace vantrel::import
