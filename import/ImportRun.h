#pragma once
// An import from start to end, without a window: the preview of a file's
// first rows, then one pass over all its rows that either counts what a
// merge would do or does it in one transaction. Every row is checked the
// same way in both passes, so the counts the preview shows are the ones
// the import gives for an unchanged inventory.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ColumnMapping.h"
#include "InventoryMerge.h"

namespace vantrel::import {

struct SheetPreview {
    std::vector<std::string> sheets;             // the workbook's sheet names (GBK)
    std::vector<std::string> titles;             // the title row
    std::size_t titleRow = 0;                    // its number in the file
    std::vector<std::vector<std::string>> rows;  // the first data rows
    ColumnMapping mapping;                       // as the titles suggest
};

// The title row and the first kPreviewRows rows that hold anything.
// Throws ImportError for a file that cannot be read, is empty, or holds a
// title row only.
SheetPreview ReadPreview(const std::string& path, std::size_t sheet = 0);

struct RowProblem {
    std::size_t row = 0;  // the file's row number
    std::string reason;   // GBK
};

struct ImportCounts {
    std::size_t rows = 0;  // data rows that hold anything
    std::size_t added = 0;
    std::size_t updated = 0;
    std::size_t unchanged = 0;  // the inventory holds them already
    std::size_t kept = 0;       // existing PCs left alone: only new ones wanted
    std::size_t problems = 0;
    std::vector<RowProblem> listed;  // the first kMaxListedProblems problems
    // Rows naming a MAC an earlier row of the list named: one PC, whose
    // later row's values win. Counted here, not as a PC of their own.
    std::size_t repeated = 0;
    std::vector<RowProblem> repeats;  // the first kMaxListedProblems of them
    std::size_t replaced = 0;         // characters GBK lacks, read as '?'

    std::size_t Skipped() const { return unchanged + kept + problems; }
};

// A row of the file checked against its title row and mapping: the values
// to merge, or why the row cannot be imported (GBK). A MAC in any notation
// is written as reports write it ("02:4F:00:00:0A:01"); one of all zeros
// or all F is no MAC.
struct CheckedRow {
    store::MergeValues values;
    std::uint64_t mac = 0;  // the MAC's 48 bits; 0 for a row without one
    std::optional<std::string> problem;
    // The asset fields the row gives, in their stored form; an empty cell
    // gives none, so that an import never clears a field.
    store::AssetChanges asset{};
    bool HasAsset() const;
};
CheckedRow CheckRow(const std::vector<std::string>& cells, std::size_t titleWidth,
                    bool writesEveryCell, const ColumnMapping& mapping);

// Whether the text is a MAC in one of the notations inventory::MacBits reads.
bool IsMacAddress(std::string_view text);

// The longest value a column takes (bytes of GBK).
std::size_t MaxValueBytes(std::size_t column);

// Thrown out of RunImport when `cancel` was set: nothing was written.
struct ImportCancelled {};

struct RunOptions {
    bool updateExisting = true;
    bool write = false;   // false: count only
    std::string address;  // the history's address of a write (GBK)
    const std::atomic<bool>* cancel = nullptr;
    // Called every few hundred rows with the rows read so far and how far
    // through the file the reader is (0 to 1).
    std::function<void(std::size_t, double)> progress;
};

// Reads every row after the title row. Counting takes the connection's
// lock row by row; writing holds it for one transaction, committed only
// when every row has been read: a file that cannot be read to its end, a
// cancel or a failed write leaves the inventory as it was. Throws
// ImportError, store::StoreError or ImportCancelled.
ImportCounts RunImport(const std::string& path, std::size_t sheet, const ColumnMapping& mapping,
                       store::InventoryMerge& merge, const RunOptions& options);

// "共 n 行：新增 a 台，更新 b 台，无变化 c 行，有问题 d 行", and the PCs
// kept, the repeated MACs and the characters replaced where there are any:
// what the preview says (GBK).
std::string CountsLine(const ImportCounts& counts);
// One line for each problem row and each repeated MAC listed (GBK).
std::vector<std::string> RowLines(const ImportCounts& counts);
// "已从 <file> 导入：新增 a 台，更新 b 台，跳过 c 行", and the rows that
// repeated a MAC where there are any (GBK).
std::string SummaryLine(const std::string& fileName, const ImportCounts& counts);
// "导入：<file>", the history's address of an import (GBK).
std::string HistoryAddress(const std::string& fileName);

}  // namespace vantrel::import
