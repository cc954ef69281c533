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
#include "TInventoryModel.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

using Layout = WindowFixture;

QString Gbk(const char* bytes) {
    return FromGbk(bytes);
}

TEST_F(Layout, WindowCaptionSizeAndFont) {
    MakeDatabase();
    TForm1& form = Open();
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantrel软件"));
    EXPECT_EQ(form.centralWidget()->size(), QSize(1054, 577));
    EXPECT_EQ(form.font().family(), QStringLiteral("宋体"));
    EXPECT_EQ(form.font().pixelSize(), 13);
    EXPECT_EQ(Control<QPlainTextEdit>(form, "Memo1")->font().pixelSize(), 12);
    EXPECT_EQ(Control<QPlainTextEdit>(form, "Memo1")->width(), 226);
    EXPECT_EQ(Control<QTabWidget>(form, "PageControl1")->width(), 825);
    EXPECT_EQ(Control<QPlainTextEdit>(form, "Memo1")->x(), 1054 - 226);
    EXPECT_EQ(Control<QTabWidget>(form, "PageControl1")->currentWidget(),
              Control<QWidget>(form, "TabSheet1"));
    EXPECT_EQ(Control<QTabWidget>(form, "PageControl1")->tabText(0),
              QStringLiteral("网内IP及电脑综合信息"));
    EXPECT_EQ(Control<QTabWidget>(form, "PageControl1")->tabText(1),
              QStringLiteral("ping网内在线电脑列表"));
    EXPECT_FALSE(Control<QPlainTextEdit>(form, "Memo1")->isReadOnly());

    // Resizing the window keeps the log's width.
    form.resize(1254, 677);
    QCoreApplication::processEvents();
    EXPECT_EQ(Control<QPlainTextEdit>(form, "Memo1")->width(), 226);
}

TEST_F(Layout, EveryControlIsFoundByItsName) {
    MakeDatabase();
    TForm1& form = Open();
    for (const char* name :
         {"Memo1",   "Splitter1", "PageControl1", "TabSheet1", "TabSheet2", "DBGridEh1",
          "Panel1",  "ComboBox1", "ComboBox2",    "ComboBox3", "Edit1",     "Edit2",
          "Edit3",   "Button1",   "Button2",      "Button3",   "Button4",   "Button5",
          "Button6", "Button7",   "Button8",      "Button10",  "Button12",  "StringGrid1",
          "Label1",  "Label2",    "Label3",       "Label7"}) {
        EXPECT_NE(form.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    }
}

TEST_F(Layout, CommandBarControlsSitAtTheirPlaces) {
    MakeDatabase();
    TForm1& form = Open();
    form.show();
    EXPECT_EQ(Control<QFrame>(form, "Panel1")->height(), 36);
    EXPECT_EQ(Control<QFrame>(form, "Panel1")->y() + 36,
              Control<QWidget>(form, "TabSheet1")->height());
    EXPECT_EQ(Grid(form)->y() + Grid(form)->height(), Control<QFrame>(form, "Panel1")->y());

    struct Place {
        QWidget* widget;
        QRect rect;
        const char* caption;  // GBK; null for none
    };
    const std::vector<Place> places{
        {Control<QComboBox>(form, "ComboBox1"), {5, 7, 114, 21}, nullptr},
        {Control<QComboBox>(form, "ComboBox3"), {118, 7, 51, 21}, nullptr},
        {Control<QLineEdit>(form, "Edit1"), {168, 7, 77, 21}, nullptr},
        {Control<QPushButton>(form, "Button1"), {245, 5, 44, 25}, "\xb2\xe9\xd1\xaf"},
        {Control<QPushButton>(form, "Button6"),
         {296, 5, 61, 25},
         "\xc8\xab\xb2\xbf\xca\xfd\xbe\xdd"},
        {Control<QPushButton>(form, "Button10"), {366, 5, 44, 25}, "\xcb\xa2\xd0\xc2"},
        {Control<QPushButton>(form, "Button7"),
         {419, 5, 68, 25},
         "\xb5\xbc\xb3\xf6"
         "EXCEL"},
        {Control<QPushButton>(form, "Button5"), {496, 5, 60, 25}, "\xd4\xf6\xbc\xd3"},
        {Control<QPushButton>(form, "Button3"), {564, 5, 60, 25}, "\xc9\xbe\xb3\xfd"},
        {Control<QPushButton>(form, "Button4"),
         {632, 5, 60, 25},
         "\xc8\xa1\xcf\xfb\xd0\xde\xb8\xc4"},
        {Control<QPushButton>(form, "Button2"), {700, 5, 60, 25}, "\xb1\xa3\xb4\xe6"},
        {Control<QComboBox>(form, "ComboBox2"), {717, 7, 68, 21}, nullptr},
    };
    for (const Place& place : places) {
        EXPECT_EQ(place.widget->parentWidget(), Control<QFrame>(form, "Panel1"))
            << place.widget->objectName().toStdString();
        EXPECT_EQ(place.widget->geometry(), place.rect) << place.widget->objectName().toStdString();
        if (place.caption != nullptr) {
            EXPECT_EQ(static_cast<QPushButton*>(place.widget)->text(), Gbk(place.caption));
        }
    }
    EXPECT_FALSE(Control<QComboBox>(form, "ComboBox2")->isVisible());
    EXPECT_TRUE(Control<QLineEdit>(form, "Edit1")->text().isEmpty());
}

TEST_F(Layout, SearchFieldListPairsLabelsWithFieldNames) {
    MakeDatabase();
    TForm1& form = Open();
    const QStringList labels{
        QStringLiteral("部门"),     QStringLiteral("使用者"), QStringLiteral("pc名"),
        QStringLiteral("MAC码"),    QStringLiteral("IP地址"), QStringLiteral("CPU"),
        QStringLiteral("主板"),     QStringLiteral("BIOS"),   QStringLiteral("机型(台式/笔记本)"),
        QStringLiteral("操作系统"), QStringLiteral("内存"),   QStringLiteral("登记时间"),
        QStringLiteral("电话")};
    const QStringList fields{
        QStringLiteral("bm"),    QStringLiteral("username"), QStringLiteral("pcname"),
        QStringLiteral("mac"),   QStringLiteral("IP"),       QStringLiteral("CPU"),
        QStringLiteral("board"), QStringLiteral("BIOS"),     QStringLiteral("pctype"),
        QStringLiteral("os"),    QStringLiteral("rammax"),   QStringLiteral("djsj"),
        QStringLiteral("dh")};
    ASSERT_EQ(Control<QComboBox>(form, "ComboBox1")->count(), 13);
    ASSERT_EQ(Control<QComboBox>(form, "ComboBox2")->count(), 13);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(Control<QComboBox>(form, "ComboBox1")->itemText(i), labels[i]);
        EXPECT_EQ(Control<QComboBox>(form, "ComboBox2")->itemText(i), fields[i]);
    }
    EXPECT_EQ(Control<QComboBox>(form, "ComboBox1")->currentText(), QStringLiteral("使用者"));
    EXPECT_TRUE(Control<QComboBox>(form, "ComboBox1")->isEditable());
    EXPECT_EQ(Control<QComboBox>(form, "ComboBox3")->count(), 2);
    EXPECT_EQ(Control<QComboBox>(form, "ComboBox3")->currentText(), QStringLiteral("等于"));
    EXPECT_EQ(Control<QComboBox>(form, "ComboBox3")->itemText(1), QStringLiteral("包含"));
    EXPECT_TRUE(Control<QComboBox>(form, "ComboBox3")->isEditable());
}

TEST_F(Layout, InventoryGridShowsSeventeenTitledColumns) {
    MakeDatabase();
    TForm1& form = Open();
    const QStringList titles{
        QStringLiteral("部门"),         QStringLiteral("使用者"),   QStringLiteral("IP地址"),
        QStringLiteral("MAC地址"),      QStringLiteral("CPU"),      QStringLiteral("主板"),
        QStringLiteral("内存"),         QStringLiteral("硬盘"),     QStringLiteral("显卡"),
        QStringLiteral("BIOS号"),       QStringLiteral("PC机型"),   QStringLiteral("操作系统"),
        QStringLiteral("可用物理内存"), QStringLiteral("登记时间"), QStringLiteral("PC名"),
        QStringLiteral("电话"),         QStringLiteral("备注")};
    const std::vector<int> widths{62, 50, 82,  97, 129, 74, 59, 60, 80,
                                  70, 52, 119, 82, -1,  59, 60, 60};
    auto* model = Grid(form)->model();
    ASSERT_EQ(model->columnCount(), 17);
    for (int c = 0; c < 17; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(
            model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignCenter);
        if (widths[static_cast<std::size_t>(c)] > 0) {
            EXPECT_EQ(Grid(form)->columnWidth(c), widths[static_cast<std::size_t>(c)]) << c;
        } else {
            EXPECT_GT(Grid(form)->columnWidth(c),
                      60);  // room for a date and a time
        }
    }
    EXPECT_FALSE(Grid(form)->verticalHeader()->isHidden());  // the row indicator
}

TEST_F(Layout, ScanTabControlsAndOnlineListGrid) {
    MakeDatabase();
    TForm1& form = Open();
    form.show();
    Control<QTabWidget>(form, "PageControl1")
        ->setCurrentWidget(Control<QWidget>(form, "TabSheet2"));
    QCoreApplication::processEvents();

    EXPECT_EQ(Control<QTableView>(form, "StringGrid1")->geometry(),
              QRect(0, 0, 457, Control<QWidget>(form, "TabSheet2")->height()));
    const std::vector<int> widths{125, 105, 104, 88};
    ASSERT_EQ(Control<QTableView>(form, "StringGrid1")->model()->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Control<QTableView>(form, "StringGrid1")->columnWidth(c),
                  widths[static_cast<std::size_t>(c)]);
    }
    EXPECT_EQ(Control<QTableView>(form, "StringGrid1")->verticalHeader()->defaultSectionSize(), 18);
    EXPECT_FALSE(Control<QTableView>(form, "StringGrid1")
                     ->verticalHeader()
                     ->isVisible());  // no fixed column
    EXPECT_EQ(Control<QTableView>(form, "StringGrid1")->editTriggers(),
              QAbstractItemView::NoEditTriggers);

    EXPECT_EQ(Control<QLabel>(form, "Label1")->pos(), QPoint(476, 21));
    EXPECT_EQ(Control<QLabel>(form, "Label1")->text(), QStringLiteral("从"));
    EXPECT_EQ(Control<QLineEdit>(form, "Edit2")->geometry(), QRect(492, 16, 105, 21));
    EXPECT_EQ(Control<QLabel>(form, "Label2")->pos(), QPoint(599, 21));
    EXPECT_EQ(Control<QLabel>(form, "Label2")->text(), QStringLiteral("到"));
    EXPECT_EQ(Control<QLineEdit>(form, "Edit3")->geometry(), QRect(615, 16, 105, 21));
    EXPECT_EQ(Control<QPushButton>(form, "Button8")->geometry(), QRect(571, 56, 75, 25));
    EXPECT_EQ(Control<QPushButton>(form, "Button8")->text(), QStringLiteral("开始查找"));
    EXPECT_EQ(Control<QLabel>(form, "Label3")->pos(), QPoint(653, 62));
    EXPECT_TRUE(Control<QLabel>(form, "Label3")->text().isEmpty());
    EXPECT_EQ(Control<QLabel>(form, "Label7")->pos(), QPoint(480, 456));
    EXPECT_TRUE(Control<QLabel>(form, "Label7")->text().isEmpty());
    EXPECT_EQ(Control<QPushButton>(form, "Button12")->geometry(), QRect(471, 509, 129, 25));
    EXPECT_EQ(Control<QPushButton>(form, "Button12")->text(), QStringLiteral("导出在线电脑列表"));
}

}  // namespace
}  // namespace vantrel::app::test
