#include "ExportHandlers.h"

#include "ExportGridToFile.h"
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
    bool done = false;
    try {
        InventoryExportGrid source(grid, model, query, [&grid] { grid.Resync(); });
        exporter::ExportGridToFile(*kind, source, answer->path, true);
        done = true;
    } catch (...) {
        // Whatever failed, only the fixed failure text is shown.
    }
    dialogs.ShowInformation(done ? kExportDone : kExportFailed);
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
    dialog.fileName = answer->path;
    dialog.filterIndex = answer->filterIndex;
    exporter::WriteOnlineList(exporter::SheetFormatOf(answer->path, answer->filterIndex),
                              answer->path, rows);
}

}  // namespace vantrel::app
