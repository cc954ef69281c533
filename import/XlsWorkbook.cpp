#include "XlsWorkbook.h"

#include <algorithm>
#include <map>

#include "BiffRecords.h"
#include "CellText.h"
#include "CompoundFile.h"
#include "FileBytes.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportMessages.h"

namespace vantrel::import {

namespace {

bool StartsBare(const std::string& path) {
    FileBytes file(path);
    std::string head;
    for (int i = 0; i < 4 && file.Peek() >= 0; ++i) {
        head += static_cast<char>(file.Get());
    }
    return head.size() == 4 && head[0] == '\x09' &&
           (head[1] == '\x00' || head[1] == '\x02' || head[1] == '\x04' || head[1] == '\x08');
}

}  // namespace

bool IsDateFormatId(std::uint16_t id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool IsDateFormatCode(std::string_view code) {
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == 'y' || c == 'Y' || c == 'd' || c == 'D' || c == 'h' || c == 'H' ||
                   c == 's' || c == 'S') {
            return true;
        }
    }
    return false;
}

XlsWorkbook::XlsWorkbook(const std::string& path) : path_(path) {
    bare_ = StartsBare(path);
    stream_ = std::make_unique<WorkbookStream>(path, bare_);
    if (bare_) {
        sheets_.push_back(Sheet{std::string(), 0});
        return;
    }
    ReadGlobals();
}

void XlsWorkbook::ReadGlobals() {
    BiffRecordReader records(*stream_, 0);
    BiffRecord record;
    if (!records.Next(record) || record.type != biff::kBof || record.Body().size() < 4) {
        throw ImportError(messages::Damaged(path_, "no workbook BOF"));
    }
    const std::uint16_t version = Le16(record.Body(), 0);
    if (version != 0x0600 && version != 0x0500) {
        throw ImportError(messages::Damaged(path_, "not an Excel 5.0 to 2003 workbook"));
    }
    biff8_ = version == 0x0600;
    codePage_ = biff8_ ? 1200 : 1252;
    std::map<std::uint16_t, bool> customFormats;
    std::vector<std::uint16_t> xfFormats;
    bool cut = false;
    while (records.Next(record, &cut) && record.type != biff::kEof) {
        const std::string_view body = record.Body();
        switch (record.type) {
            case biff::kFilePass:
                throw ImportError(messages::Encrypted(path_));
            case biff::kCodePage:
                if (body.size() >= 2) {
                    codePage_ = Le16(body, 0);
                }
                break;
            case biff::kDateMode:
                epoch1904_ = body.size() >= 2 && Le16(body, 0) == 1;
                break;
            case biff::kFormat:
            case biff::kFormatBiff4: {
                if (body.size() < 3) {
                    break;
                }
                // Only the ASCII of a format code tells a date: the high
                // bytes of two-byte characters are dropped.
                std::string code;
                const std::size_t start = biff8_ ? 5 : 3;
                const bool wide = biff8_ && body.size() >= 5 && (body[4] & 1) != 0;
                for (std::size_t i = start; i < body.size(); i += wide ? 2 : 1) {
                    code += body[i];
                }
                customFormats[Le16(body, 0)] = IsDateFormatCode(code);
                break;
            }
            case biff::kXf:
                if (body.size() >= 4) {
                    xfFormats.push_back(Le16(body, 2));
                }
                break;
            case biff::kSst:
                if (biff8_) {
                    ReadSharedStrings(record.parts);
                }
                break;
            case biff::kBoundSheet: {
                if (body.size() < 7) {
                    break;
                }
                const std::size_t count = static_cast<unsigned char>(body[6]);
                std::string name;
                if (biff8_ && body.size() >= 8) {
                    std::string utf16;
                    BiffCursor cursor(record.parts, 8);
                    const std::uint8_t options = static_cast<std::uint8_t>(body[7] & 0x01);
                    cursor.WideString(count, options, utf16);
                    name = text::Utf16LeToGbk(utf16);
                } else if (!biff8_) {
                    std::size_t ignored = 0;
                    name = ByteTextToGbk(body.substr(7, count), codePage_, ignored);
                }
                if (body[5] == 0) {  // a worksheet
                    sheets_.push_back(Sheet{name, Le32(body, 0)});
                }
                break;
            }
            default:
                break;
        }
    }
    if (cut) {
        throw ImportError(messages::Damaged(path_, "workbook records cut short"));
    }
    dateXf_.reserve(xfFormats.size());
    for (const std::uint16_t format : xfFormats) {
        const auto custom = customFormats.find(format);
        dateXf_.push_back(custom != customFormats.end() ? custom->second : IsDateFormatId(format));
    }
}

void XlsWorkbook::ReadSharedStrings(const std::vector<std::string_view>& parts) {
    BiffCursor cursor(parts);
    std::uint32_t total = 0;
    std::uint32_t unique = 0;
    if (!cursor.U32(total) || !cursor.U32(unique)) {
        return;
    }
    // Each string takes at least three bytes: the count says no more.
    std::size_t bytes = 0;
    for (const std::string_view part : parts) {
        bytes += part.size();
    }
    const std::size_t count = std::min<std::size_t>(unique, bytes / 3);
    shared_.reserve(count + 1);
    replaced_.reserve(count);
    sharedText_.reserve(bytes);
    std::string utf16;
    // A table that ends before its count keeps the strings it holds; a
    // cell naming one past them is refused by its cell.
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t length = 0;
        std::uint8_t options = 0;
        utf16.clear();
        if (!cursor.U16(length) || !cursor.U8(options) ||
            !cursor.WideString(length, options, utf16)) {
            break;
        }
        std::size_t replaced = 0;
        sharedText_ += TrimmedGbk(text::Utf16LeToGbk(utf16, &replaced));
        shared_.push_back(sharedText_.size());
        replaced_.push_back(static_cast<std::uint16_t>(std::min<std::size_t>(replaced, 65535)));
    }
    sharedText_.shrink_to_fit();
}

}  // namespace vantrel::import
