#include "ExportHandlers.h"

#include "ExportGridToFile.h"
#include "InventoryExportGrid.h"
#include "InventoryGrid.h"
#include "OnlineList.h"
#include "OnlineListExport.h"

namespace vantrel::app {

const char kInventoryExportFilter[] =
    "Excel \xce\xc4\xb5\xb5 (*.xls)|*.XLS|Text files (*.txt)|*.TXT|"
    "Comma separated values (*.csv)|*.CSV|HTML file (*.htm)|*.HTM|"
    "Rich Text Format (*.rtf)|*.RTF";
const char kOnlineListExportFilter[] =
    "Excel2007\xb8\xf1\xca\xbd\xce\xc4\xbc\xfe|*.xlsx|Excel2003\xb8\xf1\xca\xbd\xce\xc4\xbc\xfe|*."
    "xls";
const char kExportDone[] =
    "\xd2\xd1\xbe\xad\xb3\xc9\xb9\xa6\xc9\xfa\xb3\xc9\xce\xc4\xbc\xfe";  // 已经成功生成文件
const char kExportFailed[] =
    "\xb7\xa2\xc9\xfa\xb4\xed\xce\xf3\xa3\xac\xce\xb4\xc4\xdc\xc9\xfa\xb3\xc9\xb5\xbc\xb3\xf6\xce"
    "\xc4\xbc\xfe";  // 发生错误，未能生成导出文件

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
