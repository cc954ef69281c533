#include "InventorySearch.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>

#include "Controls.h"
#include "Dialogs.h"
#include "FilterLine.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "IpAsset.h"
#include "IpColumns.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

const std::string& kEquals = u8"等于"_gbk;
const std::string& kContains = u8"包含"_gbk;
const std::string& kCountBefore = u8"共有"_gbk;
const std::string& kCountAfter = u8"条记录"_gbk;
const std::string& kNoField = u8"请从列表中选择查询字段"_gbk;

// The search field list, in the column table's order for it, then the
// fields of the PCs' other tables.
constexpr auto kSearchFields = protocol::SearchOrder();
constexpr store::RecordField kRecordFields[] = {store::RecordField::Model,
                                                store::RecordField::Serial};
constexpr int kSearchFieldAtStart = 1;  // 使用者

// The place of a column of table ip in the search field list; the place at
// start for a column not searched.
int SearchPlaceOf(std::string_view field) {
    for (std::size_t place = 0; place < kSearchFields.size(); ++place) {
        if (text::EqualsIgnoringAsciiCase(protocol::kIpColumns[kSearchFields[place]].name, field)) {
            return static_cast<int>(place);
        }
    }
    return kSearchFieldAtStart;
}

// The search field an overview choice is about.
std::string_view SearchFieldOf(inventory::Dimension dimension) {
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
    return field;
}

}  // namespace

InventorySearch::InventorySearch(QWidget* panel, const InventoryParts& parts, FilterLine& line,
                                 store::InventoryDatabase* connection)
    : query_(parts.query),
      grid_(parts.grid),
      model_(parts.model),
      host_(parts.host),
      line_(line),
      fieldCombo_(MakeComboBox(panel, "fieldCombo", 5, 114)),
      matchCombo_(MakeComboBox(panel, "matchCombo", 118, 51)),
      searchTextEdit_(Named(new QLineEdit(panel), "searchTextEdit")),
      searchButton_(MakeButton(panel, "searchButton", u8"查询"_gbk, 245, 5, 44)),
      showAllButton_(MakeButton(panel, "showAllButton", u8"全部数据"_gbk, 296, 5,
                                61)),  // 全部数据
      refreshButton_(MakeButton(panel, "refreshButton", u8"刷新"_gbk, 366, 5, 44)),
      connection_(connection),
      hideRetiredBox_(Named(new QCheckBox(FromUtf8("隐藏报废"), panel), "hideRetiredBox")) {
    hideRetiredBox_->setGeometry(876, 7, 80, 21);
    hideRetiredBox_->setChecked(true);
    hideRetiredBox_->setVisible(connection_ != nullptr);
    QObject::connect(hideRetiredBox_, &QCheckBox::toggled, &grid_, [this] {
        host_.RunHandler([this] {
            if (grid_.CommitEdit()) {
                ApplyAssets();
                grid_.Resync();
            }
        });
    });
    for (std::size_t column : kSearchFields) {
        const std::string_view label = protocol::kIpColumns[column].searchLabel;
        fieldCombo_->addItem(FromUtf8(label));
    }
    for (store::RecordField field : kRecordFields) {
        fieldCombo_->addItem(FromGbk(store::RecordFieldLabel(field)));
    }
    fieldCombo_->setCurrentIndex(kSearchFieldAtStart);
    // The box is narrow; its list is as wide as its longest entry.
    fieldCombo_->view()->setTextElideMode(Qt::ElideNone);
    fieldCombo_->view()->setMinimumWidth(fieldCombo_->view()->sizeHintForColumn(0) +
                                         fieldCombo_->view()->frameWidth() * 2 + 8);
    matchCombo_->addItem(FromGbk(kEquals));
    matchCombo_->addItem(FromGbk(kContains));
    matchCombo_->setCurrentIndex(0);
    searchTextEdit_->setGeometry(168, 7, 77, 21);

    ConnectClicks(host_, {
                             {searchButton_, [this] { Search(); }},
                             {showAllButton_, [this] { ShowAll(); }},
                             {refreshButton_, [this] { Refresh(); }},
                         });
    // Enter in the search text runs the search, as 查询 does.
    QObject::connect(searchTextEdit_, &QLineEdit::returnPressed, searchButton_,
                     [this] { host_.RunHandler([this] { Search(); }); });
    QObject::connect(
        grid_.horizontalHeader(), &QHeaderView::sectionClicked, &grid_,
        [this](int column) { host_.RunHandler([this, column] { SortByColumn(column); }); });
}

store::FilterCondition InventorySearch::Condition(const std::string& field, const std::string& op,
                                                  const std::string& text) {
    const bool equals = op == kEquals || op == "=";
    return store::FilterCondition::OfField(
        field, equals ? store::FieldMatch::Equals : store::FieldMatch::Contains, text);
}

std::size_t InventorySearch::SearchPlace() const {
    // Only a chosen item counts: text typed into the box selects nothing.
    const int index = fieldCombo_->currentIndex();
    if (index < 0 || index >= fieldCombo_->count() ||
        fieldCombo_->currentText() != fieldCombo_->itemText(index)) {
        throw std::runtime_error(kNoField);
    }
    return static_cast<std::size_t>(index);
}

void InventorySearch::ShowCount() {
    host_.Dialog().ShowInformation(kCountBefore + std::to_string(query_.RecordCount()) +
                                   kCountAfter);
}

store::FilterCondition InventorySearch::WithAssets(const store::FilterCondition& condition) const {
    if (connection_ == nullptr) {
        return condition;
    }
    return condition.WithAssets(
        std::make_shared<const inventory::AssetIndex>(store::IpAsset(*connection_).Index()),
        hideRetiredBox_->isChecked());
}

void InventorySearch::ApplyAssets() {
    if (connection_ == nullptr || !query_.Active()) {
        return;
    }
    const std::optional<store::Bookmark> mark =
        query_.RecNo() >= 0 ? std::optional(query_.GetBookmark()) : std::nullopt;
    query_.SetFilter(WithAssets(query_.Filter()));
    try {
        if (mark) {
            query_.GotoBookmark(*mark);
        }
    } catch (const store::StoreError&) {
        // The row is no longer in view; the first one is current.
    }
}

void InventorySearch::Apply(const store::FilterCondition& condition) {
    query_.SetFilter(WithAssets(condition));
    line_.Hide();
}

void InventorySearch::ShowChoice(const store::FilterCondition& condition) {
    if (!grid_.CommitEdit()) {
        return;
    }
    query_.SetFilter(WithAssets(condition));
    if (condition.Which() == store::FilterCondition::Kind::Record) {
        fieldCombo_->setCurrentIndex(static_cast<int>(kSearchFields.size()) +
                                     (condition.Record() == store::RecordField::Model ? 0 : 1));
        matchCombo_->setCurrentIndex(condition.Match() == store::FieldMatch::Equals ? 0 : 1);
        searchTextEdit_->setText(FromGbk(condition.Text()));
    } else if (condition.Which() == store::FilterCondition::Kind::Field) {
        // What the bar can say it says: 部门 等于 the department.
        fieldCombo_->setCurrentIndex(SearchPlaceOf(condition.Field()));
        matchCombo_->setCurrentIndex(condition.Match() == store::FieldMatch::Equals ? 0 : 1);
        searchTextEdit_->setText(FromGbk(condition.Text()));
    } else {
        if (condition.Which() == store::FilterCondition::Kind::Overview) {
            fieldCombo_->setCurrentIndex(
                SearchPlaceOf(SearchFieldOf(condition.Selection().dimension)));
        }
        searchTextEdit_->clear();
    }
    line_.Show(condition.Description());
    grid_.Resync();
    ShowCount();
}

void InventorySearch::EndChoice() {
    if (!grid_.CommitEdit()) {
        return;
    }
    Apply({});
    grid_.Resync();
}

void InventorySearch::Search() {
    if (!grid_.CommitEdit()) {
        return;
    }
    const std::string text = ToGbk(searchTextEdit_->text());
    if (text.empty() || text == " ") {
        Apply({});
        grid_.Resync();
        return;
    }
    const std::size_t place = SearchPlace();
    const std::string op = ToGbk(matchCombo_->currentText());
    if (place < kSearchFields.size()) {
        Apply(Condition(std::string(protocol::kIpColumns[kSearchFields[place]].name), op, text));
    } else {
        const store::FilterCondition field = Condition("", op, text);
        Apply(store::FilterCondition::OfRecord(kRecordFields[place - kSearchFields.size()],
                                               field.Match(), text));
    }
    grid_.Resync();
    ShowCount();
}

void InventorySearch::Requery() {
    try {
        ApplyAssets();  // statuses may have changed
        query_.Requery();
    } catch (...) {
        grid_.Resync();  // the dataset may have closed
        throw;
    }
    grid_.Resync();
}

void InventorySearch::Reset(bool tellCount) {
    if (!grid_.CommitEdit()) {
        return;
    }
    Apply({});
    Requery();
    host_.InventoryReloaded();
    if (tellCount) {
        ShowCount();
    }
}

void InventorySearch::ShowAll() {
    Reset(true);
}

void InventorySearch::Refresh() {
    Reset(false);
}

void InventorySearch::SortByColumn(int column) {
    if (column < 0 || column >= InventoryModel::kColumnCount || !grid_.CommitEdit()) {
        return;
    }
    // The name the dataset gives the field; while the dataset is closed the
    // column's own field name, which the closed dataset refuses.
    const int field = model_.FieldOfColumn(column);
    const std::string name =
        field >= 0 ? query_.Fields()[static_cast<std::size_t>(field)].name
                   : std::string(InventoryModel::Columns()[static_cast<std::size_t>(column)].field);
    query_.SetSort(name);
    grid_.Resync();
}

}  // namespace vantrel::app
