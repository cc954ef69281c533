#pragma once
// 导出资产清单: the grid's rows as shown (search and sort) with the
// seventeen columns of table ip followed by each PC's asset fields, as an
// .xlsx workbook whose titles the spreadsheet import maps back.

#include <string>

#include "OnlineListExport.h"

namespace vantrel::store {
class InventoryDatabase;
class InventoryDataset;
}  // namespace vantrel::store

namespace vantrel::app {

class Dialogs;

// The titles (GBK): the grid's seventeen in the grid's order, then 资产编号,
// 状态, 存放位置, 购置日期, 供应商, 价格, 保修到期 and 资产备注 (备注 alone is
// the grid's remark column).
exporter::TextTable AssetListTitles();

// The title row and one row per record of the dataset's view, the asset
// fields read through `connection` (empty for a PC without a record or a
// file without the table).
exporter::TextTable AssetListRows(const store::InventoryDataset& query,
                                  store::InventoryDatabase& connection);

// Asks for an .xlsx file and writes the list into it; a box names the file
// afterwards. A cancelled dialog writes nothing; errors reach the caller.
void SaveAssetList(Dialogs& dialogs, const store::InventoryDataset& query,
                   store::InventoryDatabase& connection);

}  // namespace vantrel::app
