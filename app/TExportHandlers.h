#pragma once
// The two export buttons of the window: the inventory grid to a file of the
// type chosen in the dialog (Button7Click), and the online list to a
// spreadsheet file (Button12Click). Everything below the dialog is in
// export/ and runs without Qt.

#include <string>

#include "TDialogs.h"

namespace vantrel::scan {
class TOnlineList;
}
namespace vantrel::store {
class TADOQuery1;
}

namespace vantrel::app {

class TDBGridEh;
class TInventoryModel;

// "Excel 文档 (*.xls)|*.XLS|Text files (*.txt)|*.TXT|..." with five entries.
extern const char kInventoryExportFilter[];
// "Excel2007格式文件|*.xlsx|Excel2003格式文件|*.xls"
extern const char kOnlineListExportFilter[];
// "已经成功生成文件" and "发生错误，未能生成导出文件".
extern const char kExportDone[];
extern const char kExportFailed[];

// Asks for a file and a type, writes DBGridEh1 with its dataset into it and
// says whether that worked; a cancelled dialog or an unknown type does
// nothing. The grid's current record and visible rows come back afterwards.
void ExportInventory(TDialogs& dialogs, TDBGridEh& grid, TInventoryModel& model,
                     store::TADOQuery1& query);

// Copies rows 0 to row count - 2 of the online list, asks for a file in
// `dialog` (which keeps the last name and type) and writes it as .xlsx or
// .xls. Errors reach the caller (the error box); a cancelled dialog writes
// nothing.
void ExportOnlineList(TDialogs& dialogs, const scan::TOnlineList& list, SaveDialogRequest& dialog);

}  // namespace vantrel::app
