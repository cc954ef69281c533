#include "InventorySearch.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>

#include "Controls.h"
#include "Dialogs.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "InventoryOverview.h"
#include "IpColumns.h"
#include "Row.h"
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

// The search field an overview choice is about: its place in the list.
int SearchFieldOf(inventory::Dimension dimension) {
    std::string_view field = "djsj";  // the cards are about when PCs were seen
    switch (dimension) {
        case inventory::Dimension::Department:
            field = "bm";
            break;
        case inventory::Dimension::NicMaker:
            field = "mac";
            break;
        case inventory::Dimension::CpuFamily:
            field = "cpu";
            break;
        case inventory::Dimension::PcType:
            field = "pctype";
            break;
        case inventory::Dimension::System:
            field = "os";
            break;
        case inventory::Dimension::Memory:
            field = "rammax";
            break;
        default:
            break;
    }
    for (std::size_t place = 0; place < kSearchFields.size(); ++place) {
        if (text::EqualsIgnoringAsciiCase(protocol::kIpColumns[kSearchFields[place]].name, field)) {
            return static_cast<int>(place);
        }
    }
    return kSearchFieldAtStart;
}

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
    // The box is narrow; its list is as wide as its longest entry.
    fieldCombo->view()->setTextElideMode(Qt::ElideNone);
    fieldCombo->view()->setMinimumWidth(fieldCombo->view()->sizeHintForColumn(0) +
                                        fieldCombo->view()->frameWidth() * 2 + 8);
    matchCombo->addItem(FromGbk(kEquals));
    matchCombo->addItem(FromGbk(kContains));
    matchCombo->setCurrentIndex(0);
    searchTextEdit->setGeometry(168, 7, 77, 21);

    ConnectClicks(host_, {
                             {searchButton, [this] { Search(); }},
                             {showAllButton, [this] { ShowAll(); }},
                             {refreshButton, [this] { Refresh(); }},
                         });
    // Enter in the search text runs the search, as 查询 does.
    QObject::connect(searchTextEdit, &QLineEdit::returnPressed, searchButton,
                     [this] { host_.RunHandler([this] { Search(); }); });
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

void InventorySearch::ClearSelection() {
    searchTextEdit->setPlaceholderText(QString());
    searchTextEdit->setToolTip(QString());
    if (query_.Active() && query_.HasRowFilter()) {
        query_.SetRowFilter({});
    }
}

void InventorySearch::ShowSelection(const inventory::OverviewSelection& selection,
                                    std::shared_ptr<const inventory::OverviewRules> rules,
                                    const std::string& words) {
    if (!grid_.CommitEdit()) {
        return;
    }
    ClearSelection();
    fieldCombo->setCurrentIndex(SearchFieldOf(selection.dimension));
    const bool plainDepartment = selection.dimension == inventory::Dimension::Department &&
                                 selection.label != inventory::UnfilledLabel() &&
                                 selection.label != inventory::OtherLabel() &&
                                 selection.label.find('\'') == std::string::npos;
    if (plainDepartment) {
        // What the bar can say it says: 部门 等于 the department.
        matchCombo->setCurrentIndex(0);
        searchTextEdit->setText(FromGbk(selection.label));
        query_.SetFilter(Condition("bm", kEquals, selection.label));
    } else {
        searchTextEdit->clear();
        searchTextEdit->setPlaceholderText(FromGbk(words));
        searchTextEdit->setToolTip(FromGbk(words));
        query_.SetFilter("");
        if (selection.dimension != inventory::Dimension::All) {
            std::array<int, inventory::kPcFactColumns.size()> fields{};
            for (std::size_t c = 0; c < fields.size(); ++c) {
                fields[c] =
                    query_.FieldIndex(protocol::ColumnOf(inventory::kPcFactColumns[c].column).name);
            }
            query_.SetRowFilter([selection, rules, fields](const store::Row& row) {
                inventory::PcFacts pc;
                for (std::size_t c = 0; c < fields.size(); ++c) {
                    if (fields[c] >= 0) {
                        pc.*inventory::kPcFactColumns[c].field =
                            row.Text(static_cast<std::size_t>(fields[c]));
                    }
                }
                return selection.Matches(pc, *rules);
            });
        }
    }
    grid_.Resync();
    ShowCount();
}

void InventorySearch::Search() {
    if (!grid_.CommitEdit()) {
        return;
    }
    ClearSelection();
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
    ClearSelection();
    query_.SetFilter("");
    Requery();
    host_.InventoryReloaded();
    ShowCount();
}

void InventorySearch::Refresh() {
    if (!grid_.CommitEdit()) {
        return;
    }
    ClearSelection();
    query_.SetFilter("");
    Requery();
    host_.InventoryReloaded();
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
