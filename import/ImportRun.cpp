#include "ImportRun.h"
#include "ColumnTitles.h"

#include <array>
#include <memory>
#include <thread>
#include <type_traits>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "RowPipe.h"
#include "SheetReader.h"

namespace vantrel::import {

namespace {

bool IsEmptyRow(const std::vector<std::string>& cells) {
    for (const std::string& cell : cells) {
        if (!cell.empty()) {
            return false;
        }
    }
    return true;
}

// The first title row: the first row that holds anything.
bool ReadTitleRow(SheetReader& reader, std::vector<std::string>& titles) {
    while (reader.NextRow(titles)) {
        if (!IsEmptyRow(titles)) {
            while (!titles.empty() && titles.back().empty()) {
                titles.pop_back();
            }
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsMacAddress(std::string_view text) {
    if (text.size() == 12) {
        for (const char c : text) {
            if (!text::IsAsciiHexDigit(c)) {
                return false;
            }
        }
        return true;
    }
    if (text.size() != 17) {
        return false;
    }
    const char separator = text[2];
    if (separator != '-' && separator != ':' && separator != '.') {
        return false;
    }
    for (std::size_t i = 0; i < 17; ++i) {
        if (i % 3 == 2 ? text[i] != separator : !text::IsAsciiHexDigit(text[i])) {
            return false;
        }
    }
    return true;
}

std::size_t MaxValueBytes(std::size_t column) {
    // What a hardware report may bring in these is long (a list of disks,
    // a remark); the rest are names and numbers. Asked for every cell.
    static const auto kBytes = [] {
        using enum protocol::IpColumnId;
        std::array<std::size_t, protocol::kIpColumns.size()> bytes{};
        bytes.fill(255);
        for (const protocol::IpColumnId id : {cpu, board, os, bios, bz, yp, xk}) {
            bytes[protocol::IndexOf(id)] = 65535;
        }
        return bytes;
    }();
    return kBytes[column];
}

namespace {

// The check of a row; a row the caller gives up (not const) has its values
// moved rather than copied.
template <typename Cells>
CheckedRow Check(Cells& cells, std::size_t titleWidth, bool writesEveryCell,
                 const ColumnMapping& mapping) {
    CheckedRow checked;
    std::size_t width = cells.size();
    if (!writesEveryCell) {
        while (width > titleWidth && cells[width - 1].empty()) {
            --width;  // a spreadsheet may note empty cells past the titles
        }
    }
    if (writesEveryCell ? width != titleWidth : width > titleWidth) {
        checked.problem = u8"列数（"_gbk + std::to_string(width) + u8"）与标题行（"_gbk +
                          std::to_string(titleWidth) + u8"）不同"_gbk;
        return checked;
    }
    for (std::size_t i = 0; i < mapping.size() && i < cells.size(); ++i) {
        if (!mapping[i] || cells[i].empty()) {
            continue;
        }
        const std::size_t column = *mapping[i];
        if (cells[i].size() > MaxValueBytes(column)) {
            checked.problem =
                u8"“"_gbk + std::string(inventory::GridTitleOf(protocol::kIpColumns[column].name)) +
                u8"”的内容太长（"_gbk + std::to_string(cells[i].size()) + u8" 字节，最多 "_gbk +
                std::to_string(MaxValueBytes(column)) + u8" 字节）"_gbk;
            return checked;
        }
        if constexpr (std::is_const_v<Cells>) {
            checked.values[column] = cells[i];
        } else {
            checked.values[column] = std::move(cells[i]);
        }
    }
    constexpr std::size_t kMac = protocol::IndexOf(protocol::IpColumnId::mac);
    constexpr std::size_t kPcName = protocol::IndexOf(protocol::IpColumnId::pcname);
    if (checked.values[kMac] && !IsMacAddress(*checked.values[kMac])) {
        checked.problem = u8"MAC 地址“"_gbk + *checked.values[kMac] + u8"”不是六组十六进制数"_gbk;
        return checked;
    }
    if (!checked.values[kMac] && !checked.values[kPcName]) {
        checked.problem = u8"没有 MAC 地址，也没有 PC 名"_gbk;
    }
    return checked;
}

}  // namespace

CheckedRow CheckRow(const std::vector<std::string>& cells, std::size_t titleWidth,
                    bool writesEveryCell, const ColumnMapping& mapping) {
    return Check(cells, titleWidth, writesEveryCell, mapping);
}

SheetPreview ReadPreview(const std::string& path, std::size_t sheet) {
    SheetPreview preview;
    preview.sheets = SheetNames(path);
    const std::unique_ptr<SheetReader> reader = OpenSheet(path, sheet);
    if (!ReadTitleRow(*reader, preview.titles)) {
        throw ImportError(messages::EmptyFile(path));
    }
    preview.titleRow = reader->RowNumber();
    preview.mapping = MapTitles(preview.titles);
    std::vector<std::string> cells;
    while (preview.rows.size() < kPreviewRows && reader->NextRow(cells)) {
        if (!IsEmptyRow(cells)) {
            preview.rows.push_back(cells);
        }
    }
    if (preview.rows.empty()) {
        throw ImportError(messages::NoDataRows(path));
    }
    return preview;
}

namespace {

// The rows a reading thread hands over: the file's number of each row and
// its cells, and how far through the file the reader was at the batch's end.
struct ReadRow {
    std::size_t number = 0;
    std::vector<std::string> cells;
};
struct ReadBatch {
    std::vector<ReadRow> rows;
    double progress = 0;
};

// A batch goes when it holds this many rows or bytes of cells, and this
// many wait at most: with the one being filled and the one being merged,
// what is held stays a few MB whatever the file's length.
constexpr std::size_t kRowsPerBatch = 256;
constexpr std::size_t kBytesPerBatch = 256 * 1024;
constexpr std::size_t kBatchesWaiting = 4;

// Reads every row that holds anything into `pipe`, until the file ends,
// the reader throws (handed on through the pipe) or the pipe is stopped.
void ReadRows(SheetReader& reader, BatchPipe<ReadBatch>& pipe) {
    try {
        ReadBatch batch;
        std::size_t bytes = 0;
        std::vector<std::string> cells;
        while (reader.NextRow(cells)) {
            if (IsEmptyRow(cells)) {
                continue;
            }
            for (const std::string& cell : cells) {
                bytes += cell.size();
            }
            batch.rows.push_back({reader.RowNumber(), std::move(cells)});
            cells.clear();
            if (batch.rows.size() >= kRowsPerBatch || bytes >= kBytesPerBatch) {
                batch.progress = reader.Progress();
                if (!pipe.Put(std::move(batch))) {
                    return;  // the merge gave up
                }
                batch = ReadBatch();
                batch.rows.reserve(kRowsPerBatch);
                bytes = 0;
            }
        }
        if (!batch.rows.empty()) {
            batch.progress = reader.Progress();
            if (!pipe.Put(std::move(batch))) {
                return;
            }
        }
        pipe.Close(nullptr);
    } catch (...) {
        pipe.Close(std::current_exception());
    }
}

void Count(ImportCounts& counts, store::MergeOutcome outcome) {
    switch (outcome) {
        case store::MergeOutcome::Added:
            ++counts.added;
            break;
        case store::MergeOutcome::Updated:
            ++counts.updated;
            break;
        case store::MergeOutcome::Unchanged:
            ++counts.unchanged;
            break;
        case store::MergeOutcome::Kept:
            ++counts.kept;
            break;
    }
}

}  // namespace

ImportCounts RunImport(const std::string& path, std::size_t sheet, const ColumnMapping& mapping,
                       store::InventoryMerge& merge, const RunOptions& options) {
    const std::unique_ptr<SheetReader> reader = OpenSheet(path, sheet);
    std::vector<std::string> titles;
    if (!ReadTitleRow(*reader, titles)) {
        throw ImportError(messages::EmptyFile(path));
    }
    const bool writesEveryCell = reader->WritesEveryCell();
    const auto cancelled = [&options] {
        return options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed);
    };
    if (options.write) {
        merge.Begin(options.address);
    }
    // The file is read and converted on a thread of its own while this one
    // checks and merges, so that an import takes about as long as the
    // slower of the two rather than both.
    BatchPipe<ReadBatch> pipe(kBatchesWaiting);
    std::thread reading([&reader, &pipe] { ReadRows(*reader, pipe); });
    // Whichever way this ends, the reading is stopped and joined first.
    struct Joiner {
        BatchPipe<ReadBatch>& pipe;
        std::thread& thread;
        ~Joiner() {
            pipe.Stop();
            thread.join();
        }
    } joiner{pipe, reading};

    ImportCounts counts;
    ReadBatch batch;
    std::vector<store::MergeValues> valid;  // a batch's rows to count
    std::vector<store::MergeOutcome> outcomes;
    while (pipe.Take(batch)) {
        valid.clear();
        for (ReadRow& row : batch.rows) {
            if (cancelled()) {
                throw ImportCancelled{};  // the merge rolls back when it goes
            }
            ++counts.rows;
            if (options.progress && counts.rows % 256 == 0) {
                options.progress(counts.rows, batch.progress);
            }
            CheckedRow checked = Check(row.cells, titles.size(), writesEveryCell, mapping);
            if (checked.problem) {
                ++counts.problems;
                if (counts.listed.size() < kMaxListedProblems) {
                    counts.listed.push_back({row.number, std::move(*checked.problem)});
                }
            } else if (options.write) {
                Count(counts, merge.Apply(checked.values, options.updateExisting));
            } else {
                valid.push_back(std::move(checked.values));
            }
        }
        if (!valid.empty()) {
            merge.Classify(valid, options.updateExisting, outcomes);
            for (const store::MergeOutcome outcome : outcomes) {
                Count(counts, outcome);
            }
        }
    }
    if (std::exception_ptr error = pipe.Error()) {
        std::rethrow_exception(error);
    }
    if (cancelled()) {
        throw ImportCancelled{};
    }
    if (counts.rows == 0) {
        throw ImportError(messages::NoDataRows(path));
    }
    counts.replaced = reader->Replaced();
    if (options.write) {
        merge.Commit();
    }
    if (options.progress) {
        options.progress(counts.rows, 1.0);
    }
    return counts;
}

std::string SummaryLine(const std::string& fileName, const ImportCounts& counts) {
    return u8"已从 "_gbk + fileName + u8" 导入：新增 "_gbk + std::to_string(counts.added) +
           u8" 台，更新 "_gbk + std::to_string(counts.updated) + u8" 台，跳过 "_gbk +
           std::to_string(counts.Skipped()) + u8" 行"_gbk;
}

std::string HistoryAddress(const std::string& fileName) {
    return u8"导入："_gbk + fileName;
}

}  // namespace vantrel::import
