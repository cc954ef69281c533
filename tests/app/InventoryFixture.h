#pragma once
// A shown main window over a small inventory, with helpers that drive the
// inventory tab's real widgets: cell editors, buttons and column titles.

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "GbkText.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "InventoryTab.h"
#include "WindowFixture.h"

namespace vantrel::app::test {

// 财务部, 技术部
inline const std::string kFinance = "\xb2\xc6\xce\xf1\xb2\xbf";
inline const std::string kTech = "\xbc\xbc\xca\xf5\xb2\xbf";

// Grid columns as the window shows them.
enum GridColumn { kBm = 0, kUser = 1, kIp = 2, kMac = 3, kPcName = 14, kRemark = 16 };

class InventoryFixture : public WindowFixture {
  protected:
    // Four rows; after the start-up sort by department they stand in the
    // order d1 (null bm), d2 (b), d3 (财务部), d4 (财务部).
    MainWindow& OpenInventory() {
        MakeDatabase(kFourRows);
        MainWindow& form = Open();
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        return form;
    }

    static constexpr const char* kFourRows =
        "insert into ip (bm, username, ip, mac, djsj) values "
        "(cast(x'b2c6cef1b2bf' as text), 'zhang', '192.168.1.7', 'd3', '2024-03-01');"
        "insert into ip (bm, username, ip, mac, djsj) values "
        "('b', 'li', '10.0.0.5', 'd2', '2024-01-01');"
        "insert into ip (bm, username, ip, mac, djsj) values "
        "(cast(x'b2c6cef1b2bf' as text), 'wang', '192.168.2.9', 'd4', '2023-06-01');"
        "insert into ip (bm, username, ip, mac, djsj) values "
        "(null, 'zhao', '172.16.0.1', 'd1', '2024-02-01');";

    MainWindow& Form() { return program->Window(); }
    // The inventory tab the helpers drive: the window's.
    virtual InventoryTab& Tab() { return Form().Inventory(); }

    // The grid's texts of one column, top to bottom, as GBK.
    std::vector<std::string> Column(int column) {
        std::vector<std::string> values;
        for (int r = 0; r < Tab().Model().rowCount(); ++r) {
            values.push_back(Cell(r, column));
        }
        return values;
    }

    std::string Cell(int row, int column) {
        auto* model = &Tab().Model();
        return ToGbk(model->data(model->index(row, column)).toString());
    }

    // Opens the grid's editor on a cell and types the text into it; the
    // editor stays open.
    QLineEdit* Type(int row, int column, const QString& text) {
        InventoryGrid& grid = Tab().Grid();
        const QModelIndex index = Tab().Model().index(row, column);
        grid.setCurrentIndex(index);
        grid.edit(index);
        QLineEdit* editor = nullptr;
        for (QLineEdit* candidate : grid.viewport()->findChildren<QLineEdit*>()) {
            if (candidate->isVisible()) {
                editor = candidate;
            }
        }
        EXPECT_NE(editor, nullptr);
        if (editor != nullptr) {
            editor->selectAll();
            // Qt Test types ASCII only; other text is put in as a paste would.
            bool ascii = true;
            for (QChar c : text) {
                ascii = ascii && c.unicode() < 0x80;
            }
            if (ascii) {
                QTest::keyClicks(editor, text);
            } else {
                editor->insert(text);
            }
        }
        return editor;
    }

    // Types a cell and takes it into the row as pressing Enter does.
    void Enter(int row, int column, const QString& text) {
        QLineEdit* editor = Type(row, column, text);
        if (editor != nullptr) {
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents();  // the editor commits queued
        }
    }

    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    void ClickTitle(int column) {
        QHeaderView* titles = Tab().Grid().horizontalHeader();
        if (Tab().Model().rowCount() > 0) {
            Tab().Grid().scrollTo(Tab().Model().index(0, column));
        }
        const QPoint at(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2,
                        titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&Tab().Grid(), key, modifiers);
    }

    std::string Db(const std::string& sql) { return QueryText(options.databasePath, sql); }
};

}  // namespace vantrel::app::test
