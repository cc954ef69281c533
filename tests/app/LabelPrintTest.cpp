// Asset labels: where each sheet puts its labels, the line a code holds,
// labels printed to PDF read back by pdftotext and decoded by zbarimg, and
// 打印标签… on the rows selected in the grid.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRectF>

#include "GbkConvert.h"
#include "InventoryFixture.h"
#include "InventoryHistory.h"
#include "InventorySearch.h"
#include "LabelLayout.h"
#include "LabelPainter.h"
#include "LabelPrinting.h"
#include "PrintedPdf.h"

namespace vantrel::app::test {
namespace {

bool Inside(const QRectF& inner, const QRectF& outer) {
    constexpr double kSlack = 1e-9;
    return inner.left() >= outer.left() - kSlack && inner.top() >= outer.top() - kSlack &&
           inner.right() <= outer.right() + kSlack && inner.bottom() <= outer.bottom() + kSlack;
}

TEST(LabelLayoutTest, SheetsPlaceEveryLabelAndItsPartsOnThePage) {
    struct Case {
        LabelSheet sheet;
        QSizeF page;
        int columns;
        int rows;
        QSizeF label;
        QString key;
        double smallestCode;  // mm
    };
    const Case cases[] = {
        {LabelSheet::A4By3x8, {210, 297}, 3, 8, {70, 37}, QStringLiteral("3x8"), 20},
        {LabelSheet::A4By2x5, {210, 297}, 2, 5, {105, 57}, QStringLiteral("2x5"), 30},
        {LabelSheet::Single50x30, {50, 30}, 1, 1, {50, 30}, QStringLiteral("50x30"), 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        const LabelLayout layout = LabelLayout::Of(c.sheet);
        EXPECT_EQ(layout.PageSize(), c.page);
        EXPECT_EQ(layout.LabelsPerPage(), c.columns * c.rows);
        EXPECT_EQ(LabelLayout::KeyOf(c.sheet), c.key);
        EXPECT_EQ(LabelLayout::SheetOfKey(c.key), c.sheet);
        EXPECT_EQ(layout.PageCount(0), 1);
        EXPECT_EQ(layout.PageCount(c.columns * c.rows), 1);
        EXPECT_EQ(layout.PageCount(c.columns * c.rows + 1), 2);
        const QRectF page(QPointF(0, 0), c.page);
        QRectF previous;
        for (int index = 0; index < 2 * layout.LabelsPerPage(); ++index) {
            const LabelParts parts = layout.PartsOf(index);
            EXPECT_EQ(parts.label.size(), c.label) << index;
            EXPECT_TRUE(Inside(parts.label, page)) << index;
            // Labels of a page neither overlap nor leave a gap in a row.
            const int onPage = index % layout.LabelsPerPage();
            if (onPage % c.columns != 0) {
                EXPECT_DOUBLE_EQ(parts.label.left(), previous.right()) << index;
                EXPECT_DOUBLE_EQ(parts.label.top(), previous.top()) << index;
            }
            EXPECT_EQ(parts.label, layout.PartsOf(onPage).label) << "same place on every page";
            EXPECT_DOUBLE_EQ(parts.code.width(), parts.code.height());
            EXPECT_GE(parts.code.width(), c.smallestCode);
            EXPECT_TRUE(Inside(parts.code, parts.label)) << index;
            double top = parts.code.bottom();
            for (const QRectF& line : parts.lines) {
                EXPECT_TRUE(Inside(line, parts.label)) << index;
                EXPECT_GE(line.top(), top - 1e-9) << "text under the code, in order";
                top = line.bottom();
            }
            EXPECT_GE(parts.textHeight, 2.0);
            previous = parts.label;
        }
        // The last label of a page ends at the last column and row.
        const LabelParts last = layout.PartsOf(layout.LabelsPerPage() - 1);
        EXPECT_NEAR(last.label.right(), (c.page.width() + c.columns * c.label.width()) / 2, 1e-9);
    }
    EXPECT_EQ(LabelLayout::SheetOfKey(QStringLiteral("4x4")), std::nullopt);
}

TEST(LabelLayoutTest, CodeHoldsNumberMacAndNameAsOneUtf8Line) {
    struct Case {
        LabelData label;
        std::string text;
    };
    const Case cases[] = {
        {{"A-2023-017", "02:4F:00:00:0A:01", "CW-PC01", "x"},
         "A-2023-017|02:4F:00:00:0A:01|CW-PC01"},
        {{"", "02:4F:00:00:0A:01", "", "x"}, "|02:4F:00:00:0A:01|"},
        // 财务-01 in GBK becomes UTF-8.
        {{"7", "", "\xb2\xc6\xce\xf1-01", ""}, "7||\xe8\xb4\xa2\xe5\x8a\xa1-01"},
        // A separator or a line break inside a field would split it.
        {{"A|1", "m", "pc\r\nx\t", ""}, "A 1|m|pc  x "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QrTextOf(c.label), c.text);
    }
}

// A few PCs, one with Chinese texts throughout.
std::vector<LabelData> SomeLabels(int count) {
    std::vector<LabelData> labels;
    for (int n = 0; n < count; ++n) {
        const std::string number = std::to_string(n);
        labels.push_back({"ZC-2024-" + number,
                          "02:4F:00:00:0A:" + std::string(n < 10 ? "0" : "") + number,
                          "PC-" + number, "dept" + number});
    }
    // 资产 7, 财务室电脑, 财务部
    labels[0] = {"\xd7\xca\xb2\xfa 7", "02:4F:00:00:0A:FF",
                 "\xb2\xc6\xce\xf1\xca\xd2\xb5\xe7\xc4\xd4", "\xb2\xc6\xce\xf1\xb2\xbf"};
    return labels;
}

TEST(LabelPdfTest, EverySheetPrintsCodesThatScanAndTextThatReads) {
    QTemporaryDir folder;
    const std::vector<LabelData> labels = SomeLabels(5);
    std::vector<std::string> expected;
    for (const LabelData& label : labels) {
        expected.push_back(QrTextOf(label));
    }
    std::sort(expected.begin(), expected.end());
    for (LabelSheet sheet : {LabelSheet::A4By3x8, LabelSheet::A4By2x5, LabelSheet::Single50x30}) {
        const LabelLayout layout = LabelLayout::Of(sheet);
        SCOPED_TRACE(LabelLayout::KeyOf(sheet).toStdString());
        const std::string path =
            folder.filePath(LabelLayout::KeyOf(sheet) + QStringLiteral(".pdf")).toStdString();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(path));
        PrintLabels(printer, layout, labels);

        EXPECT_EQ(PdfPages(path), layout.PageCount(5));
        EXPECT_EQ(PdfQrCodes(path), expected);
        const std::string text = PdfText(path);
        for (const LabelData& label : labels) {
            EXPECT_NE(text.find(text::GbkToUtf8(label.assetNumber)), std::string::npos);
            EXPECT_NE(text.find(text::GbkToUtf8(label.pcName)), std::string::npos);
            EXPECT_NE(text.find(text::GbkToUtf8(label.department)), std::string::npos);
        }
        // The single label's page is the label: 50 x 30 mm.
        if (sheet == LabelSheet::Single50x30) {
            const std::string info = CommandOutput("pdfinfo '" + path + "'");
            EXPECT_NE(info.find("142 x 85 pts"), std::string::npos) << info;
        }
    }
}

class LabelMenuTest : public InventoryFixture {
  protected:
    // Asset numbers of two of the four PCs; d4's key in another case.
    void AddAssets() {
        RunSql(options.databasePath,
               "create table if not exists ip_asset (mac text primary key collate nocase, assetno "
               "text, "
               "status text, location text, purchasedate text, supplier text, price text, "
               "warrantyend text, remark text);"
               "insert into ip_asset (mac, assetno) values ('d3', 'ZC-003'), ('D4', 'ZC-004');");
    }
    void SelectRows(std::initializer_list<int> rows) {
        QItemSelectionModel* selection = Tab().Grid().selectionModel();
        selection->clearSelection();
        for (int row : rows) {
            selection->select(Tab().Model().index(row, kUser), QItemSelectionModel::Select);
        }
    }
};

TEST_F(LabelMenuTest, SelectedRowsGiveLabelsWithTheirAssetNumbers) {
    MainWindow& form = OpenInventory();
    AddAssets();
    // Rows in grid order: d1, d2, d3, d4.
    SelectRows({3, 0, 2});
    const std::vector<LabelData> labels = Tab().Labels().SelectedLabels();
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].mac, "d1");
    EXPECT_EQ(labels[0].assetNumber, "");
    EXPECT_EQ(labels[1].mac, "d3");
    EXPECT_EQ(labels[1].assetNumber, "ZC-003");
    EXPECT_EQ(labels[1].department, kFinance);
    EXPECT_EQ(labels[2].assetNumber, "ZC-004");

    // The menu opened on a selected row keeps the selection.
    InventoryHistory& history = Tab().History();
    history.ShowRowMenu(Tab().Grid().visualRect(Tab().Model().index(2, kBm)).center());
    EXPECT_EQ(Tab().Labels().SelectedLabels().size(), 3u);
    history.RowMenu()->close();
    EXPECT_TRUE(history.RowMenu()->actions().contains(Tab().Labels().PrintItem()));

    // Nothing selected: the current row's label.
    Tab().Grid().selectionModel()->clearSelection();
    Tab().Grid().selectionModel()->setCurrentIndex(Tab().Model().index(1, kBm),
                                                   QItemSelectionModel::NoUpdate);
    ASSERT_EQ(Tab().Labels().SelectedLabels().size(), 1u);
    EXPECT_EQ(Tab().Labels().SelectedLabels()[0].mac, "d2");

    SelectRows({2, 3});
    Tab().Labels().PrintItem()->trigger();
    QPrintPreviewDialog* preview = Tab().Labels().Preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->windowTitle().contains(QStringLiteral("2")));
    auto* sheets = Control<QComboBox>(*preview, "LabelSheetCombo");
    sheets->setCurrentIndex(sheets->findData(QStringLiteral("50x30")));
    EXPECT_EQ(Tab().Labels().ChosenSheet(), LabelSheet::Single50x30);
    preview->close();
    EXPECT_TRUE(WaitFor([this] { return Tab().Labels().Preview() == nullptr; }));
    EXPECT_TRUE(dialogs.errors.empty());
    (void)form;
}

TEST_F(LabelMenuTest, ChoiceIsRememberedAndFilesWithoutAssetsGiveEmptyNumbers) {
    OpenInventory();
    const QString settings = QString::fromStdString(Path("labels.ini"));
    QMenu menu;
    const InventoryParts parts{Tab().Dataset(), Tab().Grid(), Tab().Model(), program->Window()};
    {
        LabelPrinting labels(parts, program->Startup().Database(), menu, settings);
        EXPECT_EQ(labels.ChosenSheet(), LabelSheet::A4By3x8);
        labels.ChooseSheet(LabelSheet::A4By2x5);
    }
    LabelPrinting labels(parts, program->Startup().Database(), menu, settings);
    EXPECT_EQ(labels.ChosenSheet(), LabelSheet::A4By2x5);
    SelectRows({0, 1, 2, 3});
    for (const LabelData& label : labels.SelectedLabels()) {
        EXPECT_EQ(label.assetNumber, "");
    }
}

TEST_F(LabelMenuTest, TextTooLongForACodeIsRefusedBeforeThePreview) {
    OpenInventory();
    RunSql(options.databasePath, "update ip set pcname = printf('%.3000c', 'x') where mac = 'd2';");
    Tab().Search().Reload();
    SelectRows({1});
    Tab().Labels().PrintItem()->trigger();
    EXPECT_EQ(Tab().Labels().Preview(), nullptr);
    ASSERT_EQ(dialogs.errors.size(), 1u);
}

}  // namespace
}  // namespace vantrel::app::test
