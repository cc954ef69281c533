#include "AssetListCommand.h"

#include <algorithm>

#include "AssetListExport.h"
#include "AssetSnapshot.h"
#include "Dialogs.h"
#include "ExportHandlers.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "InventoryDataset.h"
#include "IpColumns.h"
#include "IpHistory.h"

namespace vantrel::app {

namespace {

const std::string& kAssetListFilter = u8"Excel2007格式文件 (*.xlsx)|*.xlsx"_gbk;

// The columns of table ip in the grid's order.
std::vector<const protocol::IpColumn*> GridOrder() {
    std::vector<const protocol::IpColumn*> columns;
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        columns.push_back(&column);
    }
    std::sort(columns.begin(), columns.end(),
              [](const auto* a, const auto* b) { return a->gridPlace < b->gridPlace; });
    return columns;
}

}  // namespace

exporter::TextTable AssetListTitles() {
    std::vector<std::string> titles;
    for (const protocol::IpColumn* column : GridOrder()) {
        titles.push_back(text::Utf8ToGbk(column->title));
    }
    for (const std::string* title :
         {&u8"资产编号"_gbk, &u8"状态"_gbk, &u8"存放位置"_gbk, &u8"购置日期"_gbk, &u8"供应商"_gbk,
          &u8"价格"_gbk, &u8"保修到期"_gbk, &u8"资产备注"_gbk}) {
        titles.push_back(*title);
    }
    return {titles};
}

exporter::TextTable AssetListRows(const store::InventoryDataset& query,
                                  store::InventoryDatabase& connection) {
    exporter::TextTable rows = AssetListTitles();
    if (!query.Active()) {
        return rows;
    }
    const store::AssetSnapshot assets = store::AssetSnapshot::Read(connection);
    std::vector<int> fields;
    for (const protocol::IpColumn* column : GridOrder()) {
        fields.push_back(query.FieldIndex(column->name));
    }
    const int mac = query.FieldIndex("mac");
    const int ip = query.FieldIndex("ip");
    const int pcName = query.FieldIndex("pcname");
    auto value = [&query](std::size_t row, int field) {
        return field < 0 ? std::string()
                         : query.Value(row, static_cast<std::size_t>(field)).value_or("");
    };
    rows.reserve(query.RecordCount() + 1);
    for (std::size_t row = 0; row < query.RecordCount(); ++row) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (int field : fields) {
            cells.push_back(field < 0 ? std::string()
                                      : query.DisplayText(row, static_cast<std::size_t>(field)));
        }
        const inventory::AssetValues& asset =
            assets.Of(store::HistoryKey(value(row, mac), value(row, ip), value(row, pcName)));
        cells.insert(cells.end(), asset.begin(), asset.end());
    }
    return rows;
}

void SaveAssetList(Dialogs& dialogs, const store::InventoryDataset& query,
                   store::InventoryDatabase& connection) {
    SaveDialogRequest request;
    request.filter = kAssetListFilter;
    request.defaultExtension = "xlsx";
    const std::optional<SaveDialogAnswer> answer = dialogs.AskSaveFile(request);
    if (!answer) {
        return;
    }
    const std::string path = WithChosenExtension(answer->path, request.filter, 1);
    exporter::WriteAssetList(path, AssetListRows(query, connection));
    dialogs.ShowInformation(ExportDoneText(path));
}

}  // namespace vantrel::app
