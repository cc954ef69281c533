#include "SheetReader.h"

#include <algorithm>
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

// Tells the format from the file's first 64 KB; an encrypted Office file
// is a compound file holding an "EncryptedPackage" stream.
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
    if (lower.find_first_not_of(" \t\r\n\xEF\xBB\xBF") == std::string::npos) {
        throw ImportError(messages::EmptyFile(path));
    }
    if (head.starts_with(kZipMagic)) {
        return SheetFormat::Xlsx;
    }
    if (head.starts_with(kCompoundMagic)) {
        const std::u16string_view encrypted = u"EncryptedPackage";
        const std::string_view bytes(reinterpret_cast<const char*>(encrypted.data()),
                                     encrypted.size() * 2);
        if (Contains(head, bytes)) {
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
    const std::string extension = LowerExtension(path);
    if (Contains(lower, "<table") ||
        ((extension == "htm" || extension == "html") && Contains(lower, "<html"))) {
        return SheetFormat::Html;
    }
    if (extension == "htm" || extension == "html") {
        throw ImportError(messages::NoTable(path));
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
