#include "SheetReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>

#include "FileBytes.h"
#include "HtmlSheetReader.h"
#include "ImportError.h"
#include "ImportMessages.h"
#include "TextSheetReader.h"
#include "XlsSheetReader.h"
#include "XlsxSheetReader.h"

namespace vantrel::import {

namespace {

constexpr std::string_view kZipMagic("PK\x03\x04", 4);
constexpr std::string_view kCompoundMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

std::string LowerExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::string();
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension;
}

bool Contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

// Reads `size` bytes at `offset`; false when the file is shorter.
bool ReadAt(std::ifstream& file, std::uint64_t offset, char* buffer, std::size_t size) {
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(file.read(buffer, static_cast<std::streamsize>(size)));
}

std::uint32_t Le32(const char* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, 4);
    return value;  // the machines this runs on are little-endian
}

// Whether a compound file's directory names an "EncryptedPackage" stream,
// as an encrypted Office file's does. The directory may lie anywhere in
// the file: its chain of sectors is followed through the allocation table.
bool HoldsEncryptedPackage(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char header[512];
    if (!ReadAt(file, 0, header, sizeof header)) {
        return false;
    }
    std::uint16_t shift = 0;
    std::memcpy(&shift, header + 30, 2);
    if (shift != 9 && shift != 12) {
        return false;
    }
    const std::size_t sectorSize = std::size_t{1} << shift;
    const std::size_t perFatSector = sectorSize / 4;
    const std::u16string_view wanted = u"EncryptedPackage";
    std::vector<char> sector(sectorSize);
    std::uint32_t at = Le32(header + 48);  // the directory's first sector
    for (int sectors = 0; at < 0xFFFFFFFA && sectors < 4096; ++sectors) {
        if (!ReadAt(file, (std::uint64_t{at} + 1) << shift, sector.data(), sectorSize)) {
            return false;
        }
        for (std::size_t entry = 0; entry + 128 <= sectorSize; entry += 128) {
            const char* name = sector.data() + entry;
            std::uint16_t nameBytes = 0;
            std::memcpy(&nameBytes, name + 64, 2);
            if (nameBytes == (wanted.size() + 1) * 2 &&
                std::memcmp(name, wanted.data(), wanted.size() * 2) == 0) {
                return true;
            }
        }
        // The next sector of the chain, from the table's sectors that the
        // header lists (109 of them: files up to several MB of directory).
        const std::size_t fatIndex = at / perFatSector;
        if (fatIndex >= 109) {
            return false;
        }
        const std::uint32_t fatSector = Le32(header + 76 + fatIndex * 4);
        char next[4];
        if (fatSector >= 0xFFFFFFFA ||
            !ReadAt(file, ((std::uint64_t{fatSector} + 1) << shift) + (at % perFatSector) * 4, next,
                    4)) {
            return false;
        }
        at = Le32(next);
    }
    return false;
}

// Tells the format from the file's content (its first 64 KB, and for a
// compound file its directory) and, where the content allows either, its
// name.
SheetFormat FormatOf(const std::string& path) {
    FileBytes file(path);
    std::string head;
    while (head.size() < 65536) {
        const int c = file.Get();
        if (c < 0) {
            break;
        }
        head += static_cast<char>(c);
    }
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    const std::size_t first = lower.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (first == std::string::npos) {
        throw ImportError(messages::EmptyFile(path));
    }
    if (head.starts_with(kZipMagic)) {
        return SheetFormat::Xlsx;
    }
    if (head.starts_with(kCompoundMagic)) {
        if (HoldsEncryptedPackage(path)) {
            throw ImportError(messages::Encrypted(path));
        }
        return SheetFormat::Xls;
    }
    if (XlsSheetReader::IsBareBiff(head)) {
        return SheetFormat::Xls;
    }
    // Text holds no NUL byte: UTF-16 and binary files are refused here.
    if (Contains(head, std::string_view("\0", 1))) {
        throw ImportError(messages::NotASpreadsheet(path));
    }
    // A web page begins with markup; a list whose remark holds "<table" is
    // still a list. Excel's web pages are often named .xls.
    const std::string extension = LowerExtension(path);
    const bool listName = extension == "csv" || extension == "txt";
    if (extension == "htm" || extension == "html" ||
        (lower[first] == '<' && (!listName || Contains(lower, "<table")))) {
        return SheetFormat::Html;
    }
    if (extension == "xlsx" || extension == "xls") {
        throw ImportError(messages::Damaged(path, "not a workbook"));
    }
    return SheetFormat::Text;
}

}  // namespace

std::vector<std::string> SheetNames(const std::string& path) {
    switch (FormatOf(path)) {
        case SheetFormat::Xlsx:
            return XlsxSheetReader::SheetNames(path);
        case SheetFormat::Xls:
            return XlsSheetReader::SheetNames(path);
        default:
            return {std::string()};
    }
}

std::unique_ptr<SheetReader> OpenSheet(const std::string& path, std::size_t sheet) {
    switch (FormatOf(path)) {
        case SheetFormat::Xlsx:
            return std::make_unique<XlsxSheetReader>(path, sheet);
        case SheetFormat::Xls:
            return std::make_unique<XlsSheetReader>(path, sheet);
        case SheetFormat::Html:
            return std::make_unique<HtmlSheetReader>(path);
        case SheetFormat::Text:
            break;
    }
    return std::make_unique<TextSheetReader>(path);
}

}  // namespace vantrel::import
