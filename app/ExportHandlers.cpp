#include "ExportHandlers.h"

#include <filesystem>
#include <vector>

#include "ExportGridToFile.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "InventoryExportGrid.h"
#include "InventoryGrid.h"
#include "OnlineList.h"
#include "OnlineListExport.h"

namespace vantrel::app {

const std::string& kInventoryExportFilter =
    u8"Excel 文档 (*.xls)|*.XLS|Text files (*.txt)|*.TXT|Comma separated values (*.csv)|*.CSV|HTML file (*.htm)|*.HTM|Rich Text Format (*.rtf)|*.RTF"_gbk;
const std::string& kOnlineListExportFilter =
    u8"Excel2007格式文件|*.xlsx|Excel2003格式文件|*.xls"_gbk;
const std::string& kExportDone = u8"已经成功生成文件"_gbk;
const std::string& kExportFailed = u8"发生错误，未能生成导出文件"_gbk;

namespace {

// The entries' patterns of "label|pattern|label|pattern".
std::vector<std::string_view> Patterns(std::string_view filter) {
    std::vector<std::string_view> patterns;
    bool pattern = false;
    while (true) {
        const std::size_t bar = filter.find('|');
        if (pattern) {
            patterns.push_back(filter.substr(0, bar));
        }
        if (bar == std::string_view::npos) {
            return patterns;
        }
        filter.remove_prefix(bar + 1);
        pattern = !pattern;
    }
}

}  // namespace

std::string WithChosenExtension(const std::string& path, std::string_view filter, int filterIndex) {
    const std::vector<std::string_view> patterns = Patterns(filter);
    if (filterIndex < 1 || static_cast<std::size_t>(filterIndex) > patterns.size()) {
        return path;
    }
    std::string_view pattern = patterns[static_cast<std::size_t>(filterIndex) - 1];
    pattern = pattern.substr(0, pattern.find(';'));
    if (!pattern.starts_with("*.") || pattern.size() == 2 ||
        pattern.find('*', 1) != std::string_view::npos) {
        return path;
    }
    const std::size_t slash = path.rfind('/');
    const std::string_view name =
        std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    // ".profile" is a name, not an extension; "list." has none yet.
    const std::size_t dot = name.rfind('.');
    if (name.empty() || (dot != std::string_view::npos && dot > 0 && dot + 1 < name.size())) {
        return path;
    }
    const std::string_view extension = pattern.substr(1);  // ".CSV"
    return name.ends_with('.') ? path + std::string(extension.substr(1))
                               : path + std::string(extension);
}

std::string ExportDoneText(const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    const std::string shown = error ? path : full.lexically_normal().string();
    return std::string(kExportDone) + "\n" + text::Utf8ToGbk(shown);
}

void SaveInventory(Dialogs& dialogs, InventoryGrid& grid, InventoryModel& model,
                   store::InventoryDataset& query) {
    SaveDialogRequest request;
    request.filter = kInventoryExportFilter;
    request.filterIndex = 1;
    request.defaultExtension = "XLS";
    const std::optional<SaveDialogAnswer> answer = dialogs.AskSaveFile(request);
    if (!answer) {
        return;
    }
    const std::optional<exporter::WriterKind> kind =
        exporter::WriterOfFilterIndex(answer->filterIndex);
    if (!kind) {
        return;
    }
    const std::string path = WithChosenExtension(answer->path, request.filter, answer->filterIndex);
    bool done = false;
    try {
        InventoryExportGrid source(grid, model, query, [&grid] { grid.Resync(); });
        exporter::ExportGridToFile(*kind, source, path, true);
        done = true;
    } catch (...) {
        // Whatever failed, only the fixed failure text is shown.
    }
    dialogs.ShowInformation(done ? ExportDoneText(path) : std::string(kExportFailed));
}

void SaveOnlineList(Dialogs& dialogs, const scan::OnlineList& list, SaveDialogRequest& dialog) {
    dialog.filter = kOnlineListExportFilter;
    // The rows as they are now: a sweep may add more while the dialog is up.
    exporter::TextTable rows;
    const std::size_t count = list.RowCount() - 1;
    rows.reserve(count);
    for (std::size_t r = 0; r < count; ++r) {
        std::vector<std::string>& row = rows.emplace_back();
        for (std::size_t c = 0; c < scan::OnlineList::kColumns; ++c) {
            row.push_back(list.Cell(c, r));
        }
    }
    const std::optional<SaveDialogAnswer> answer = dialogs.AskSaveFile(dialog);
    if (!answer) {
        return;
    }
    const std::string path = WithChosenExtension(answer->path, dialog.filter, answer->filterIndex);
    dialog.fileName = path;
    dialog.filterIndex = answer->filterIndex;
    exporter::WriteOnlineList(exporter::SheetFormatOf(path, answer->filterIndex), path, rows);
}

}  // namespace vantrel::app
