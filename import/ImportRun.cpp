#include "ImportRun.h"
#include "ColumnTitles.h"

#include <array>
#include <memory>
#include <new>
#include <type_traits>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "ImportTally.h"
#include "MacText.h"
#include "RowPipe.h"
#include "SheetReader.h"
#include "Task.h"
#include "XlsBounds.h"

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

bool CheckedRow::HasAsset() const {
    for (const std::optional<std::string>& value : asset) {
        if (value) {
            return true;
        }
    }
    return false;
}

bool IsMacAddress(std::string_view text) {
    return inventory::MacBits(text).has_value();
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
        if (const std::optional<inventory::AssetField> field = AssetFieldOf(column)) {
            std::string value = cells[i];
            std::string refused = inventory::NormalizeAssetValue(*field, value);
            if (!refused.empty()) {
                checked.problem = std::move(refused);
                return checked;
            }
            if (!value.empty()) {  // blanks only: nothing given
                checked.asset[inventory::IndexOf(*field)] = std::move(value);
            }
            continue;
        }
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
    if (checked.values[kMac]) {
        const std::optional<std::uint64_t> bits = inventory::MacBits(*checked.values[kMac]);
        if (!bits) {
            checked.problem =
                u8"MAC 地址“"_gbk + *checked.values[kMac] + u8"”不是六组十六进制数"_gbk;
            return checked;
        }
        // A placeholder is no MAC, as for a report: the row is one without.
        if (inventory::IsPlaceholderMac(*bits)) {
            checked.values[kMac].reset();
        } else {
            checked.mac = *bits;
            checked.values[kMac] = inventory::MacTextOf(*bits);
        }
    }
    if (!checked.values[kMac] && !checked.values[kPcName]) {
        checked.problem = u8"没有 MAC 地址，也没有 PC 名"_gbk;
    } else if (!checked.values[kMac] && checked.HasAsset()) {
        // Asset records are kept by MAC, as the PC's history is.
        checked.problem = u8"有资产信息而没有 MAC 地址，无法对应到电脑"_gbk;
    }
    return checked;
}

}  // namespace

CheckedRow CheckRow(const std::vector<std::string>& cells, std::size_t titleWidth,
                    bool writesEveryCell, const ColumnMapping& mapping) {
    return Check(cells, titleWidth, writesEveryCell, mapping);
}

static SheetPreview ReadPreviewUnguarded(const std::string& path, std::size_t sheet) {
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
    std::optional<std::string> problem;  // the reader's, when it has one
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
// the reader throws or the pipe is stopped.
void ReadRows(SheetReader& reader, BatchPipe<ReadBatch>& pipe) {
    ReadBatch batch;
    std::size_t bytes = 0;
    std::vector<std::string> cells;
    while (reader.NextRow(cells)) {
        if (IsEmptyRow(cells) && !reader.Problem()) {
            continue;
        }
        for (const std::string& cell : cells) {
            bytes += cell.size();
        }
        batch.rows.push_back({reader.RowNumber(), std::move(cells), reader.Problem()});
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
        pipe.Put(std::move(batch));
    }
}

// The outcome of a row whose asset fields changed (`assetChanged`) beside
// what its values did: a PC whose row stays as it was is still updated.
store::MergeOutcome WithAsset(store::MergeOutcome outcome, bool assetChanged) {
    return outcome == store::MergeOutcome::Unchanged && assetChanged ? store::MergeOutcome::Updated
                                                                     : outcome;
}

// Writes one checked row and counts what it did.
void WriteRow(store::InventoryMerge& merge, ImportTally& tally, std::size_t number,
              const CheckedRow& row, bool updateExisting) {
    const std::optional<store::MergeOutcome> first =
        row.mac == 0 ? std::nullopt : tally.FirstOutcome(row.mac);
    store::MergeOutcome outcome = store::MergeOutcome::Kept;
    if (!first) {
        outcome = merge.Apply(row.values, updateExisting);
    } else {
        switch (*first) {
            case store::MergeOutcome::Added:
                // The PC is new: its later row fills the row just added.
                merge.Refill(row.values);
                outcome = store::MergeOutcome::Added;
                break;
            case store::MergeOutcome::Kept:
                break;
            case store::MergeOutcome::Updated:
            case store::MergeOutcome::Unchanged:
                outcome = merge.Apply(row.values, updateExisting);
                break;
        }
    }
    // An existing PC left alone keeps its asset record too.
    if (row.HasAsset() && outcome != store::MergeOutcome::Kept) {
        outcome = WithAsset(outcome, merge.MergeAsset(row.values, row.asset, true));
    }
    tally.Row(number, row.mac, outcome);
}

// A row whose asset number another PC has cannot be imported: the reason,
// checked before anything of the row is written. Sets `changed` when its
// asset fields would change the PC's record.
std::optional<std::string> AssetProblem(store::InventoryMerge& merge, const CheckedRow& row,
                                        bool& changed) {
    changed = false;
    if (!row.HasAsset()) {
        return std::nullopt;
    }
    try {
        changed = merge.MergeAsset(row.values, row.asset, false);
    } catch (const store::AssetError& taken) {
        return std::string(taken.what());
    }
    return std::nullopt;
}

}  // namespace

static ImportCounts RunImportUnguarded(const std::string& path, std::size_t sheet,
                                       const ColumnMapping& mapping, store::InventoryMerge& merge,
                                       const RunOptions& options) {
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
    // Whichever way this ends, the reading is stopped and joined first; what
    // it threw reaches the pipe after every row read before.
    system::Task<> reading;
    reading.Start(
        [&reader, &pipe](const system::Task<>::Control&) {
            ReadRows(*reader, pipe);
            return std::monostate();
        },
        [&pipe](system::TaskOutcome<std::monostate>& outcome) { pipe.Close(outcome.error); }, {},
        [&pipe] { pipe.Stop(); });

    ImportCounts counts;
    ImportTally tally(counts);
    ReadBatch batch;
    std::vector<store::MergeValues> valid;                         // a batch's rows to count
    std::vector<std::pair<std::size_t, std::uint64_t>> validRows;  // their numbers and MACs
    std::vector<bool> assetChanged;                                // and whether assets change
    std::vector<store::MergeOutcome> outcomes;
    while (pipe.Take(batch)) {
        valid.clear();
        validRows.clear();
        assetChanged.clear();
        for (ReadRow& row : batch.rows) {
            if (cancelled()) {
                throw ImportCancelled{};  // the merge rolls back when it goes
            }
            ++counts.rows;
            if (options.progress && counts.rows % 256 == 0) {
                options.progress(counts.rows, batch.progress);
            }
            CheckedRow checked = row.problem
                                     ? CheckedRow{{}, 0, std::move(row.problem), {}}
                                     : Check(row.cells, titles.size(), writesEveryCell, mapping);
            bool changesAsset = false;
            if (!checked.problem) {
                checked.problem = AssetProblem(merge, checked, changesAsset);
            }
            if (checked.problem) {
                ++counts.problems;
                if (counts.listed.size() < kMaxListedProblems) {
                    counts.listed.push_back({row.number, std::move(*checked.problem)});
                }
            } else if (options.write) {
                WriteRow(merge, tally, row.number, checked, options.updateExisting);
            } else {
                valid.push_back(std::move(checked.values));
                validRows.emplace_back(row.number, checked.mac);
                assetChanged.push_back(changesAsset);
            }
        }
        if (!valid.empty()) {
            merge.Classify(valid, options.updateExisting, outcomes);
            for (std::size_t i = 0; i < outcomes.size(); ++i) {
                tally.Row(validRows[i].first, validRows[i].second,
                          outcomes[i] == store::MergeOutcome::Kept
                              ? outcomes[i]
                              : WithAsset(outcomes[i], assetChanged[i]));
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

namespace {

// A file no bound stopped may still ask for more memory than there is: the
// import ends with a message, never with the bare std::bad_alloc.
template <typename F>
auto GuardMemory(const std::string& path, F&& f) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        throw ImportError(messages::OutOfMemory(path));
    }
}

}  // namespace

SheetPreview ReadPreview(const std::string& path, std::size_t sheet) {
    return GuardMemory(path, [&] { return ReadPreviewUnguarded(path, sheet); });
}

ImportCounts RunImport(const std::string& path, std::size_t sheet, const ColumnMapping& mapping,
                       store::InventoryMerge& merge, const RunOptions& options) {
    return GuardMemory(path,
                       [&] { return RunImportUnguarded(path, sheet, mapping, merge, options); });
}

std::string CountsLine(const ImportCounts& counts) {
    std::string line = u8"共 "_gbk + std::to_string(counts.rows) + u8" 行：新增 "_gbk +
                       std::to_string(counts.added) + u8" 台，更新 "_gbk +
                       std::to_string(counts.updated) + u8" 台，无变化 "_gbk +
                       std::to_string(counts.unchanged) + u8" 行，有问题 "_gbk +
                       std::to_string(counts.problems) + u8" 行"_gbk;
    if (counts.kept > 0) {
        line += u8"，已有而不更新 "_gbk + std::to_string(counts.kept) + u8" 台"_gbk;
    }
    if (counts.repeated > 0) {
        line += u8"，MAC 重复 "_gbk + std::to_string(counts.repeated) +
                u8" 行（与前面的行算作同一台，以后面的行为准）"_gbk;
    }
    if (counts.replaced > 0) {
        line += u8"。有 "_gbk + std::to_string(counts.replaced) +
                u8" 个字符 GBK 无法表示，将记为“?”"_gbk;
    }
    return line;
}

std::vector<std::string> RowLines(const ImportCounts& counts) {
    std::vector<std::string> lines;
    const auto add = [&lines](const std::vector<RowProblem>& rows, std::size_t total,
                              const std::string& more) {
        for (const RowProblem& row : rows) {
            lines.push_back(u8"第 "_gbk + std::to_string(row.row) + u8" 行："_gbk + row.reason);
        }
        if (total > rows.size()) {
            lines.push_back(u8"……另有 "_gbk + std::to_string(total - rows.size()) + more);
        }
    };
    add(counts.listed, counts.problems, u8" 行有问题"_gbk);
    add(counts.repeats, counts.repeated, u8" 行 MAC 重复"_gbk);
    return lines;
}

std::string SummaryLine(const std::string& fileName, const ImportCounts& counts) {
    std::string line = u8"已从 "_gbk + fileName + u8" 导入：新增 "_gbk +
                       std::to_string(counts.added) + u8" 台，更新 "_gbk +
                       std::to_string(counts.updated) + u8" 台，跳过 "_gbk +
                       std::to_string(counts.Skipped()) + u8" 行"_gbk;
    if (counts.repeated > 0) {
        line +=
            u8"，MAC 重复 "_gbk + std::to_string(counts.repeated) + u8" 行（以后面的行为准）"_gbk;
    }
    return line;
}

std::string HistoryAddress(const std::string& fileName) {
    return u8"导入："_gbk + fileName;
}

}  // namespace vantrel::import
