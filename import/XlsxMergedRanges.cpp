#include "XlsxMergedRanges.h"

#include <algorithm>
#include <string_view>

#include "ImportLimits.h"
#include "XlsxXml.h"

namespace vantrel::import {

namespace {

// The range of a "A2:C4" reference, put in order; false when it is not
// one, or lies wholly past the columns a row may have.
bool ParseRange(std::string_view value, MergedRange& range) {
    const std::size_t colon = value.find(':');
    std::size_t columns[2];
    std::size_t rows[2];
    if (colon == std::string_view::npos ||
        !ParseReference(value.substr(0, colon), columns[0], rows[0]) ||
        !ParseReference(value.substr(colon + 1), columns[1], rows[1])) {
        return false;
    }
    range.firstColumn = std::min(columns[0], columns[1]);
    range.lastColumn = std::max(columns[0], columns[1]);
    range.firstRow = std::min(rows[0], rows[1]);
    range.lastRow = std::max(rows[0], rows[1]);
    return range.firstColumn < kMaxColumns;
}

}  // namespace

std::vector<MergedRange> ScanMergedRanges(ZipArchive& zip, const std::string& part) {
    std::vector<MergedRange> ranges;
    auto stream = zip.Open(part);
    std::string window;
    char buffer[1 << 16];
    constexpr std::string_view kTag = "mergeCell ";
    for (;;) {
        const std::size_t got = stream->Read(buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        window.append(buffer, got);
        std::size_t at = 0;
        for (std::size_t found = window.find(kTag); found != std::string::npos;
             found = window.find(kTag, at)) {
            const std::size_t close = window.find('>', found);
            if (close == std::string::npos) {
                break;
            }
            const std::string_view tag(window.data() + found, close - found);
            const std::size_t ref = tag.find("ref=\"");
            MergedRange range{};
            if (ref != std::string_view::npos &&
                ParseRange(tag.substr(ref + 5, tag.find('"', ref + 5) - ref - 5), range) &&
                ranges.size() < kMaxXlsxMergedRanges) {
                ranges.push_back(range);
            }
            at = close;
        }
        // Keep only what may start a tag cut by the chunk's end.
        const std::size_t keep = std::min<std::size_t>(window.size() - at, 256);
        window.erase(0, window.size() - keep);
    }
    return ranges;
}

}  // namespace vantrel::import
