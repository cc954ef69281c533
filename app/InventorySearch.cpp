#include "InventorySearch.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>

#include "Controls.h"
#include "Dialogs.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "IpColumns.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

const std::string& kEquals = u8"等于"_gbk;
const std::string& kContains = u8"包含"_gbk;
const std::string& kCountBefore = u8"共有"_gbk;
const std::string& kCountAfter = u8"条记录"_gbk;

// The search field list, in the column table's order for it.
constexpr auto kSearchFields = protocol::SearchOrder();
constexpr int kSearchFieldAtStart = 1;  // 使用者

}  // namespace

InventorySearch::InventorySearch(QWidget* panel, const InventoryParts& parts)
    : query_(parts.query),
      grid_(parts.grid),
      model_(parts.model),
      host_(parts.host),
      fieldCombo(MakeComboBox(panel, "fieldCombo", 5, 114)),
      matchCombo(MakeComboBox(panel, "matchCombo", 118, 51)),
      searchTextEdit(Named(new QLineEdit(panel), "searchTextEdit")),
      searchButton(MakeButton(panel, "searchButton", u8"查询"_gbk, 245, 5, 44)),
      showAllButton(MakeButton(panel, "showAllButton", u8"全部数据"_gbk, 296, 5,
                               61)),  // 全部数据
      refreshButton(MakeButton(panel, "refreshButton", u8"刷新"_gbk, 366, 5, 44)) {
    for (std::size_t column : kSearchFields) {
        const std::string_view label = protocol::kIpColumns[column].searchLabel;
        fieldCombo->addItem(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
    }
    fieldCombo->setCurrentIndex(kSearchFieldAtStart);
    matchCombo->addItem(FromGbk(kEquals));
    matchCombo->addItem(FromGbk(kContains));
    matchCombo->setCurrentIndex(0);
    searchTextEdit->setGeometry(168, 7, 77, 21);

    ConnectClicks(host_, {
                             {searchButton, [this] { Search(); }},
                             {showAllButton, [this] { ShowAll(); }},
                             {refreshButton, [this] { Refresh(); }},
                         });
    QObject::connect(
        grid_.horizontalHeader(), &QHeaderView::sectionClicked, &grid_,
        [this](int column) { host_.RunHandler([this, column] { SortByColumn(column); }); });
}

std::string InventorySearch::Condition(const std::string& field, const std::string& op,
                                       const std::string& text) {
    // 等于 reads as "=", 包含 as "like"; only "=" gives the exact form. The
    // text goes between the quotes unescaped; the dataset refuses a quote in
    // it, since a doubled quote read as an escape would match other rows
    // than the ones typed.
    const std::string mapped = op == kEquals ? "=" : op == kContains ? "like" : op;
    if (mapped == "=") {
        return field + "='" + text + "'";
    }
    return field + " like '%" + text + "%'";
}

int InventorySearch::SearchFieldIndex() const {
    // Only a chosen item counts: text typed into the box selects nothing.
    const int index = fieldCombo->currentIndex();
    if (index < 0 || fieldCombo->currentText() != fieldCombo->itemText(index)) {
        return -1;
    }
    return index;
}

void InventorySearch::ShowCount() {
    host_.Dialog().ShowInformation(kCountBefore + std::to_string(query_.RecordCount()) +
                                   kCountAfter);
}

void InventorySearch::Search() {
    if (!grid_.CommitEdit()) {
        return;
    }
    const std::string text = ToGbk(searchTextEdit->text());
    if (text.empty() || text == " ") {
        query_.SetFilter("");
        grid_.Resync();
        return;
    }
    const std::string op = ToGbk(matchCombo->currentText());
    const int index = SearchFieldIndex();
    const std::string field =
        index >= 0 && static_cast<std::size_t>(index) < kSearchFields.size()
            ? std::string(protocol::kIpColumns[kSearchFields[static_cast<std::size_t>(index)]].name)
            : std::string();
    query_.SetFilter(Condition(field, op, text));
    grid_.Resync();
    ShowCount();
}

void InventorySearch::Requery() {
    try {
        query_.Requery();
    } catch (...) {
        grid_.Resync();  // the dataset may have closed
        throw;
    }
    grid_.Resync();
}

void InventorySearch::ShowAll() {
    if (!grid_.CommitEdit()) {
        return;
    }
    query_.SetFilter("");
    Requery();
    ShowCount();
}

void InventorySearch::Refresh() {
    if (!grid_.CommitEdit()) {
        return;
    }
    query_.SetFilter("");
    Requery();
}

void InventorySearch::SortByColumn(int column) {
    if (column < 0 || column >= InventoryModel::kColumnCount || !grid_.CommitEdit()) {
        return;
    }
    // The name the dataset gives the field; while the dataset is closed the
    // column's own field name, which the closed dataset refuses.
    const int field = model_.FieldOfColumn(column);
    const std::string name =
        field >= 0 ? query_.Fields()[static_cast<std::size_t>(field)].Name
                   : std::string(InventoryModel::Columns()[static_cast<std::size_t>(column)].field);
    query_.SetSort(name);
    grid_.Resync();
}

}  // namespace vantrel::app
