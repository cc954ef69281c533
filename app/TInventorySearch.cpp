#include "TInventorySearch.h"

#include <QComboBox>
#include <QLineEdit>

#include "GbkText.h"
#include "TDBGridEh.h"
#include "TDialogs.h"
#include "TForm1.h"
#include "TInventoryModel.h"

namespace vantrel::app {

namespace {

constexpr char kEquals[] = "\xb5\xc8\xd3\xda";              // 等于
constexpr char kContains[] = "\xb0\xfc\xba\xac";            // 包含
constexpr char kCountBefore[] = "\xb9\xb2\xd3\xd0";         // 共有
constexpr char kCountAfter[] = "\xcc\xf5\xbc\xc7\xc2\xbc";  // 条记录

}  // namespace

std::string TInventorySearch::Condition(const std::string& field, const std::string& op,
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

int TInventorySearch::SearchFieldIndex() const {
    // Only a chosen item counts: text typed into the box selects nothing.
    const QComboBox& labels = *form_.ComboBox1;
    const int index = labels.currentIndex();
    if (index < 0 || labels.currentText() != labels.itemText(index)) {
        return -1;
    }
    return index;
}

void TInventorySearch::Button1Click() {
    TDBGridEh& grid = *form_.DBGridEh1;
    if (!grid.CommitEdit()) {
        return;
    }
    const std::string text = ToGbk(form_.Edit1->text());
    if (text.empty() || text == " ") {
        form_.ADOQuery1.SetFilter("");
        grid.Resync();
        return;
    }
    const std::string op = ToGbk(form_.ComboBox3->currentText());
    const int index = SearchFieldIndex();
    const std::string field = index >= 0 && index < form_.ComboBox2->count()
                                  ? ToGbk(form_.ComboBox2->itemText(index))
                                  : std::string();
    form_.ADOQuery1.SetFilter(Condition(field, op, text));
    grid.Resync();
    form_.Dialogs().ShowInformation(kCountBefore + std::to_string(form_.ADOQuery1.RecordCount()) +
                                    kCountAfter);
}

void TInventorySearch::Requery() {
    try {
        form_.ADOQuery1.Requery();
    } catch (...) {
        form_.DBGridEh1->Resync();  // the dataset may have closed
        throw;
    }
    form_.DBGridEh1->Resync();
}

void TInventorySearch::Button6Click() {
    if (!form_.DBGridEh1->CommitEdit()) {
        return;
    }
    form_.ADOQuery1.SetFilter("");
    Requery();
    form_.Dialogs().ShowInformation(kCountBefore + std::to_string(form_.ADOQuery1.RecordCount()) +
                                    kCountAfter);
}

void TInventorySearch::Button10Click() {
    if (!form_.DBGridEh1->CommitEdit()) {
        return;
    }
    form_.ADOQuery1.SetFilter("");
    Requery();
}

void TInventorySearch::DBGridEh1TitleClick(int column) {
    if (column < 0 || column >= TInventoryModel::kColumnCount || !form_.DBGridEh1->CommitEdit()) {
        return;
    }
    // The name the dataset gives the field; while the dataset is closed the
    // column's own field name, which the closed dataset refuses.
    const int field = form_.DataSource1->FieldOfColumn(column);
    const std::string name =
        field >= 0
            ? form_.ADOQuery1.Fields()[static_cast<std::size_t>(field)].Name
            : std::string(TInventoryModel::Columns()[static_cast<std::size_t>(column)].field);
    form_.ADOQuery1.SetSort(name);
    form_.DBGridEh1->Resync();
}

}  // namespace vantrel::app
