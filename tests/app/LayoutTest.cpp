// The controls of the main window: names, captions, places and sizes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>

#include "GbkText.h"
#include "InventoryModel.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

using Layout = WindowFixture;

QString Gbk(const char* bytes) {
    return FromGbk(bytes);
}

TEST_F(Layout, WindowCaptionSizeAndFont) {
    MakeDatabase();
    MainWindow& form = Open();
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantrel软件"));
    EXPECT_EQ(form.centralWidget()->size(), QSize(1054, 577));
    EXPECT_EQ(form.font().family(), QStringLiteral("宋体"));
    EXPECT_EQ(form.font().pixelSize(), 13);
    EXPECT_EQ(Control<QPlainTextEdit>(form, "eventLogView")->font().pixelSize(), 12);
    EXPECT_EQ(Control<QPlainTextEdit>(form, "eventLogView")->width(), 226);
    EXPECT_EQ(Control<QTabWidget>(form, "pages")->width(), 825);
    EXPECT_EQ(Control<QPlainTextEdit>(form, "eventLogView")->x(), 1054 - 226);
    EXPECT_EQ(Control<QTabWidget>(form, "pages")->currentWidget(),
              Control<QWidget>(form, "inventoryPage"));
    EXPECT_EQ(Control<QTabWidget>(form, "pages")->tabText(0),
              QStringLiteral("网内IP及电脑综合信息"));
    EXPECT_EQ(Control<QTabWidget>(form, "pages")->tabText(1),
              QStringLiteral("ping网内在线电脑列表"));
    EXPECT_FALSE(Control<QPlainTextEdit>(form, "eventLogView")->isReadOnly());

    // Resizing the window keeps the log's width.
    form.resize(1254, 677);
    QCoreApplication::processEvents();
    EXPECT_EQ(Control<QPlainTextEdit>(form, "eventLogView")->width(), 226);
}

TEST_F(Layout, EveryControlIsFoundByItsName) {
    MakeDatabase();
    MainWindow& form = Open();
    for (const char* name : {"eventLogView",
                             "splitter",
                             "pages",
                             "inventoryPage",
                             "scanPage",
                             "inventoryGrid",
                             "commandBar",
                             "fieldCombo",
                             "matchCombo",
                             "searchTextEdit",
                             "firstAddressEdit",
                             "lastAddressEdit",
                             "searchButton",
                             "saveButton",
                             "deleteButton",
                             "cancelEditsButton",
                             "addButton",
                             "showAllButton",
                             "exportButton",
                             "sweepButton",
                             "refreshButton",
                             "exportOnlineButton",
                             "onlineListView",
                             "fromLabel",
                             "toLabel",
                             "probeAddressLabel",
                             "onlineCountLabel"}) {
        EXPECT_NE(form.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    }
}

TEST_F(Layout, CommandBarControlsSitAtTheirPlaces) {
    MakeDatabase();
    MainWindow& form = Open();
    form.show();
    EXPECT_EQ(Control<QFrame>(form, "commandBar")->height(), 36);
    EXPECT_EQ(Control<QFrame>(form, "commandBar")->y() + 36,
              Control<QWidget>(form, "inventoryPage")->height());
    EXPECT_EQ(Grid(form)->y() + Grid(form)->height(), Control<QFrame>(form, "commandBar")->y());

    struct Place {
        QWidget* widget;
        QRect rect;
        const char* caption;  // GBK; null for none
    };
    const std::vector<Place> places{
        {Control<QComboBox>(form, "fieldCombo"), {5, 7, 114, 21}, nullptr},
        {Control<QComboBox>(form, "matchCombo"), {118, 7, 51, 21}, nullptr},
        {Control<QLineEdit>(form, "searchTextEdit"), {168, 7, 77, 21}, nullptr},
        {Control<QPushButton>(form, "searchButton"), {245, 5, 44, 25}, "\xb2\xe9\xd1\xaf"},
        {Control<QPushButton>(form, "showAllButton"),
         {296, 5, 61, 25},
         "\xc8\xab\xb2\xbf\xca\xfd\xbe\xdd"},
        {Control<QPushButton>(form, "refreshButton"), {366, 5, 44, 25}, "\xcb\xa2\xd0\xc2"},
        {Control<QPushButton>(form, "exportButton"),
         {419, 5, 68, 25},
         "\xb5\xbc\xb3\xf6"
         "EXCEL"},
        {Control<QPushButton>(form, "addButton"), {496, 5, 60, 25}, "\xd4\xf6\xbc\xd3"},
        {Control<QPushButton>(form, "deleteButton"), {564, 5, 60, 25}, "\xc9\xbe\xb3\xfd"},
        {Control<QPushButton>(form, "cancelEditsButton"),
         {632, 5, 60, 25},
         "\xc8\xa1\xcf\xfb\xd0\xde\xb8\xc4"},
        {Control<QPushButton>(form, "saveButton"), {700, 5, 60, 25}, "\xb1\xa3\xb4\xe6"},
    };
    for (const Place& place : places) {
        EXPECT_EQ(place.widget->parentWidget(), Control<QFrame>(form, "commandBar"))
            << place.widget->objectName().toStdString();
        EXPECT_EQ(place.widget->geometry(), place.rect) << place.widget->objectName().toStdString();
        if (place.caption != nullptr) {
            EXPECT_EQ(static_cast<QPushButton*>(place.widget)->text(), Gbk(place.caption));
        }
    }
    EXPECT_TRUE(Control<QLineEdit>(form, "searchTextEdit")->text().isEmpty());
}

TEST_F(Layout, SearchFieldListShowsItsLabels) {
    MakeDatabase();
    MainWindow& form = Open();
    const QStringList labels{
        QStringLiteral("部门"),     QStringLiteral("使用者"), QStringLiteral("pc名"),
        QStringLiteral("MAC码"),    QStringLiteral("IP地址"), QStringLiteral("CPU"),
        QStringLiteral("主板"),     QStringLiteral("BIOS"),   QStringLiteral("机型(台式/笔记本)"),
        QStringLiteral("操作系统"), QStringLiteral("内存"),   QStringLiteral("登记时间"),
        QStringLiteral("电话"),     QStringLiteral("型号"),   QStringLiteral("序列号")};
    ASSERT_EQ(Control<QComboBox>(form, "fieldCombo")->count(), 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(Control<QComboBox>(form, "fieldCombo")->itemText(i), labels[i]);
    }
    EXPECT_EQ(Control<QComboBox>(form, "fieldCombo")->currentText(), QStringLiteral("使用者"));
    EXPECT_TRUE(Control<QComboBox>(form, "fieldCombo")->isEditable());
    EXPECT_EQ(Control<QComboBox>(form, "matchCombo")->count(), 2);
    EXPECT_EQ(Control<QComboBox>(form, "matchCombo")->currentText(), QStringLiteral("等于"));
    EXPECT_EQ(Control<QComboBox>(form, "matchCombo")->itemText(1), QStringLiteral("包含"));
    EXPECT_TRUE(Control<QComboBox>(form, "matchCombo")->isEditable());
}

TEST_F(Layout, InventoryGridShowsSeventeenTitledColumns) {
    MakeDatabase();
    MainWindow& form = Open();
    const QStringList titles{
        QStringLiteral("部门"),         QStringLiteral("使用者"),   QStringLiteral("IP地址"),
        QStringLiteral("MAC地址"),      QStringLiteral("CPU"),      QStringLiteral("主板"),
        QStringLiteral("内存"),         QStringLiteral("硬盘"),     QStringLiteral("显卡"),
        QStringLiteral("BIOS号"),       QStringLiteral("PC机型"),   QStringLiteral("操作系统"),
        QStringLiteral("可用物理内存"), QStringLiteral("登记时间"), QStringLiteral("PC名"),
        QStringLiteral("电话"),         QStringLiteral("备注")};
    // IP地址, MAC地址 and PC名 at least as wide, as the font needs (-2); the
    // date and time as wide as its digits need (-1).
    const std::vector<int> widths{62, 50, -2,  -2, 129, 74, 59, 60, 80,
                                  70, 52, 119, 82, -1,  -2, 60, 60};
    auto* model = Grid(form)->model();
    ASSERT_EQ(model->columnCount(), 17);
    for (int c = 0; c < 17; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(
            model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignCenter);
        if (widths[static_cast<std::size_t>(c)] > 0) {
            EXPECT_EQ(Grid(form)->columnWidth(c), widths[static_cast<std::size_t>(c)]) << c;
        } else if (widths[static_cast<std::size_t>(c)] == -2) {
            EXPECT_GE(Grid(form)->columnWidth(c),
                      InventoryModel::Columns()[static_cast<std::size_t>(c)].width);
        } else {
            EXPECT_GT(Grid(form)->columnWidth(c),
                      60);  // room for a date and a time
        }
    }
    EXPECT_FALSE(Grid(form)->verticalHeader()->isHidden());  // the row indicator
}

TEST_F(Layout, ScanTabControlsAndOnlineListGrid) {
    MakeDatabase();
    MainWindow& form = Open();
    form.show();
    Control<QTabWidget>(form, "pages")->setCurrentWidget(Control<QWidget>(form, "scanPage"));
    QCoreApplication::processEvents();

    EXPECT_EQ(Control<QTableView>(form, "onlineListView")->geometry(),
              QRect(0, 0, 457, Control<QWidget>(form, "scanPage")->height()));
    const std::vector<int> widths{125, 105, 104, 88};
    ASSERT_EQ(Control<QTableView>(form, "onlineListView")->model()->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Control<QTableView>(form, "onlineListView")->columnWidth(c),
                  widths[static_cast<std::size_t>(c)]);
    }
    EXPECT_EQ(Control<QTableView>(form, "onlineListView")->verticalHeader()->defaultSectionSize(),
              18);
    EXPECT_FALSE(Control<QTableView>(form, "onlineListView")
                     ->verticalHeader()
                     ->isVisible());  // no fixed column
    EXPECT_EQ(Control<QTableView>(form, "onlineListView")->editTriggers(),
              QAbstractItemView::NoEditTriggers);

    EXPECT_EQ(Control<QLabel>(form, "fromLabel")->pos(), QPoint(476, 21));
    EXPECT_EQ(Control<QLabel>(form, "fromLabel")->text(), QStringLiteral("从"));
    EXPECT_EQ(Control<QLineEdit>(form, "firstAddressEdit")->geometry(), QRect(492, 16, 105, 21));
    EXPECT_EQ(Control<QLabel>(form, "toLabel")->pos(), QPoint(599, 21));
    EXPECT_EQ(Control<QLabel>(form, "toLabel")->text(), QStringLiteral("到"));
    EXPECT_EQ(Control<QLineEdit>(form, "lastAddressEdit")->geometry(), QRect(615, 16, 105, 21));
    EXPECT_EQ(Control<QPushButton>(form, "sweepButton")->geometry(), QRect(571, 56, 75, 25));
    EXPECT_EQ(Control<QPushButton>(form, "sweepButton")->text(), QStringLiteral("开始查找"));
    EXPECT_EQ(Control<QLabel>(form, "probeAddressLabel")->pos(), QPoint(653, 62));
    EXPECT_TRUE(Control<QLabel>(form, "probeAddressLabel")->text().isEmpty());
    EXPECT_EQ(Control<QLabel>(form, "onlineCountLabel")->pos(), QPoint(480, 456));
    EXPECT_TRUE(Control<QLabel>(form, "onlineCountLabel")->text().isEmpty());
    EXPECT_EQ(Control<QPushButton>(form, "exportOnlineButton")->geometry(),
              QRect(471, 509, 129, 25));
    EXPECT_EQ(Control<QPushButton>(form, "exportOnlineButton")->text(),
              QStringLiteral("导出在线电脑列表"));
}

}  // namespace
}  // namespace vantrel::app::test
