#pragma once
// Reads a printed PDF back as a person or a phone would: its text through
// pdftotext, its QR codes through pdftoppm and zbarimg.

#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace vantrel::app::test {

// What a shell command writes to its standard output.
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), got);
    }
    pclose(pipe);
    return output;
}

// The UTF-8 text of one page (from 1) of the file, or of all its pages (0);
// pages are separated by a form feed.
inline std::string PdfText(const std::string& path, int page = 0) {
    std::string range;
    if (page > 0) {
        range = " -f " + std::to_string(page) + " -l " + std::to_string(page);
    }
    return CommandOutput("pdftotext -layout" + range + " '" + path + "' - 2>/dev/null");
}

inline int PdfPages(const std::string& path) {
    const std::string info = CommandOutput("pdfinfo '" + path + "' 2>/dev/null");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::stoi(info.substr(at + 6));
}

// Every QR code of every page, decoded, sorted.
inline std::vector<std::string> PdfQrCodes(const std::string& path) {
    QTemporaryDir pages;
    const std::string prefix = pages.filePath(QStringLiteral("page")).toStdString();
    CommandOutput("pdftoppm -r 300 -gray -png '" + path + "' '" + prefix + "' 2>/dev/null");
    const std::string found = CommandOutput("zbarimg --raw -q -Sdisable -Sqrcode.enable '" +
                                            prefix + "'*.png 2>/dev/null");
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start < found.size()) {
        const std::size_t end = found.find('\n', start);
        codes.push_back(found.substr(start, end - start));
        start = end == std::string::npos ? found.size() : end + 1;
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

}  // namespace vantrel::app::test
