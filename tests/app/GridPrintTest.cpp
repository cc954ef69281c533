// The printed list: how the grid's columns and rows go onto landscape A4
// pages, the list as shown (search, sort) printed to PDF and read back, and
// the preview that paints only the pages in view.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QSpinBox>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>

#include "GbkConvert.h"
#include "GridPageLayout.h"
#include "GridPages.h"
#include "GridPreviewDialog.h"
#include "InventoryFixture.h"
#include "PagePreviewView.h"
#include "PrintedPdf.h"

namespace vantrel::app::test {
namespace {

TEST(GridPageLayoutTest, ColumnsFitThePageAndRowsFillIt) {
    struct Case {
        std::vector<int> pixels;
        int rows;
        double scale;  // 0: narrowed to the page's width
        int pages;     // -1: rows / rows per page, rounded up
    };
    const std::vector<int> wide(17, 80);  // 1,360 pixels: more than the page
    const Case cases[] = {
        {{100, 200}, 0, 0.75, 1},
        {{100, 200}, 1, 0.75, 1},
        {wide, 100000, 0, -1},
        {{600, 700}, 1, 0, 1},
    };
    const QSizeF paper = GridPageLayout::A4Landscape();
    const double body = paper.width() - 2 * GridPageLayout::kMargin;
    EXPECT_NEAR(paper.width(), 841.89, 0.01);
    EXPECT_NEAR(paper.height(), 595.28, 0.01);
    for (const Case& c : cases) {
        const GridPageLayout layout(paper, c.pixels, c.rows);
        const double total = std::accumulate(c.pixels.begin(), c.pixels.end(), 0.0);
        if (c.scale > 0) {
            EXPECT_DOUBLE_EQ(layout.Scale(), c.scale);
        } else {
            EXPECT_NEAR(total * layout.Scale(), body, 1e-6);
        }
        const int pages =
            c.pages >= 0 ? c.pages : (c.rows + layout.RowsPerPage() - 1) / layout.RowsPerPage();
        EXPECT_EQ(layout.PageCount(), pages);
        EXPECT_GE(layout.FontSize(), 5);
        // Columns side by side from the left margin, in order.
        double left = GridPageLayout::kMargin;
        for (std::size_t col = 0; col < c.pixels.size(); ++col) {
            const QRectF title = layout.TitleCell(static_cast<int>(col));
            EXPECT_NEAR(title.left(), left, 1e-6);
            EXPECT_NEAR(title.width(), c.pixels[col] * layout.Scale(), 1e-6);
            EXPECT_DOUBLE_EQ(layout.Cell(0, static_cast<int>(col)).top(), title.bottom());
            left = title.right();
        }
        // The last row of a full page ends above the footer, inside the margin.
        const QRectF last = layout.Cell(layout.RowsPerPage() - 1, 0);
        EXPECT_LE(last.bottom(), layout.Footer().top());
        EXPECT_LE(layout.Footer().bottom(), paper.height() - GridPageLayout::kMargin + 1e-6);
        EXPECT_GT(layout.Cell(layout.RowsPerPage(), 0).bottom(), layout.Footer().top());
        // The pages share the rows out: every row on one page.
        int rows = 0;
        for (int page = 0; page < layout.PageCount(); ++page) {
            EXPECT_EQ(layout.FirstRow(page), rows);
            rows += layout.RowsOn(page);
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(layout.RowsOn(layout.PageCount()), 0);
    }
}

class GridPrintTest : public InventoryFixture {
  protected:
    // `count` rows with users u000, u001, ... stored in reverse order.
    MainWindow& OpenRows(int count) {
        MakeDatabase(
            "with recursive n(i) as (select 0 union all select i + 1 from n where i + 1 < " +
            std::to_string(count) +
            ") insert into ip (bm, username, mac, ip) select 'b', printf('u%03d', i), "
            "printf('02:00:00:00:%02X:%02X', i / 256, i % 256), '10.0.0.1' from n order by i "
            "desc;");
        MainWindow& form = Open();
        form.show();
        return form;
    }
};

TEST_F(GridPrintTest, ListAsShownPrintsWithTitlesPageNumbersAndDateOnEveryPage) {
    MainWindow& form = OpenRows(200);
    // 使用者 包含 u1: u100 to u199, sorted by user.
    Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(1);
    Control<QComboBox>(form, "matchCombo")->setEditText(FromGbk("\xb0\xfc\xba\xac"));
    Control<QLineEdit>(form, "searchTextEdit")->setText(QStringLiteral("u1"));
    Click(Control<QPushButton>(form, "searchButton"));
    ClickTitle(kUser);
    ASSERT_EQ(Tab().Model().rowCount(), 100);

    Click(Control<QPushButton>(form, "printButton"));
    GridPreviewDialog* preview = Tab().PrintPreview();
    ASSERT_NE(preview, nullptr);
    const GridPageLayout& layout = preview->Pages().Layout();
    const int pages = (100 + layout.RowsPerPage() - 1) / layout.RowsPerPage();
    ASSERT_GE(pages, 2);
    dialogs.saveAnswer = SaveDialogAnswer{Path("list"), 1};
    preview->SavePdf();
    const std::string pdf = Path("list.pdf");
    ASSERT_FALSE(dialogs.informations.empty());
    EXPECT_NE(dialogs.informations.back().find(text::Utf8ToGbk(pdf)), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(pdf + ".part"));
    ASSERT_EQ(PdfPages(pdf), pages);

    const std::string date =
        QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    int row = 100;
    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(page);
        // pdftotext spaces wide characters out as it likes: compared without blanks.
        std::string text = PdfText(pdf, page);
        std::erase(text, ' ');
        // (The CJK font maps some characters to radicals of the same look,
        // 门 and 用 among them: titles without them are looked for.)
        for (const char* title : {"IP地址", "MAC地址", "PC名", "登记时间", "操作系统"}) {
            EXPECT_NE(text.find(title), std::string::npos) << title;
        }
        // "第 n 页，共 m 页" and the date, after the last row.
        const std::size_t footer = text.rfind("\xe7\xac\xac" + std::to_string(page));  // 第
        ASSERT_NE(footer, std::string::npos);
        EXPECT_NE(text.find("\xe5\x85\xb1" + std::to_string(pages), footer),
                  std::string::npos);                                    // 共
        EXPECT_NE(text.find("\xef\xbc\x9a" + date), std::string::npos);  // ：date
        // This page's rows in the sort's order, and not the next page's first.
        const int last = std::min(200, row + layout.RowsPerPage());
        std::size_t at = 0;
        for (; row < last; ++row) {
            const std::size_t found = text.find("u" + std::to_string(row), at);
            ASSERT_NE(found, std::string::npos) << row;
            at = found;
        }
        if (row < 200) {
            EXPECT_EQ(text.find("u" + std::to_string(row)), std::string::npos);
        }
    }
    EXPECT_EQ(PdfText(pdf).find("u099"), std::string::npos) << "outside the search";
    preview->close();
}

TEST_F(GridPrintTest, PreviewPaintsOnlyThePagesInView) {
    OpenRows(3000);
    Tab().Print();
    GridPreviewDialog* preview = Tab().PrintPreview();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    PagePreviewView& view = preview->View();
    const int pages = preview->Pages().PageCount();
    ASSERT_GT(pages, 50);
    EXPECT_TRUE(WaitFor([&view] { return view.PagesPainted() > 0; }));
    EXPECT_LE(view.PagesPainted(), 3);

    view.ShowPage(50);
    EXPECT_TRUE(WaitFor([&view] { return view.CurrentPage() == 50; }));
    EXPECT_TRUE(
        WaitFor([preview] { return Control<QSpinBox>(*preview, "PageBox")->value() == 51; }));
    EXPECT_LE(view.PagesPainted(), 6);
    // Back to a page painted before: kept, not painted again.
    const int painted = view.PagesPainted();
    view.ShowPage(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(view.PagesPainted(), painted);

    // At the largest zoom a page is many screens: only the tiles in view
    // are painted, and what is kept stays bounded however far one turns.
    view.SetZoom(100);
    const QSize viewport = view.viewport()->size();
    const int inView = (viewport.width() / PagePreviewView::kTile + 2) *
                       (viewport.height() / PagePreviewView::kTile + 2);
    for (int page = 1; page <= 12; ++page) {
        const int tiles = view.TilesPainted();
        view.ShowPage(page * 4);
        EXPECT_TRUE(WaitFor([&view, page] { return view.CurrentPage() == page * 4; }));
        QCoreApplication::processEvents();
        EXPECT_GT(view.TilesPainted(), tiles);
        EXPECT_LE(view.TilesPainted() - tiles, inView);
    }
    EXPECT_LE(view.KeptBytes(), std::size_t{64} << 20);
    preview->close();
    EXPECT_TRUE(WaitFor([this] { return Tab().PrintPreview() == nullptr; }));
}

// The preview paints a page in clipped tiles, and the page leaves out what
// lies outside the clip: the tiles put together are the page painted whole.
TEST_F(GridPrintTest, APagePaintedInTilesIsThePagePaintedWhole) {
    OpenRows(200);
    const GridPages pages(Tab().Grid(), QStringLiteral("2026-01-01"));
    const QSizeF paper = pages.Layout().Paper();
    auto blank = [](QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    };
    auto paint = [&pages](QImage& image, int page, double zoom, QRect area) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate(-area.topLeft());
        if (!area.isNull()) {
            painter.setClipRect(area);
        }
        pages.PaintPage(painter, page, zoom);
    };
    // Zooms where the tiles cut through titles, cells and the footer; the
    // last page is part full.
    for (const double zoom : {0.4, 1.3, 3.1}) {
        for (const int page : {0, pages.PageCount() - 1}) {
            const QSize size(qRound(paper.width() * zoom), qRound(paper.height() * zoom));
            QImage whole = blank(size);
            paint(whole, page, zoom, QRect());
            QImage tiled = blank(size);
            constexpr int kTile = 190;
            for (int y = 0; y < size.height(); y += kTile) {
                for (int x = 0; x < size.width(); x += kTile) {
                    const QRect area = QRect(x, y, kTile, kTile).intersected(tiled.rect());
                    QImage tile = blank(area.size());
                    paint(tile, page, zoom, area);
                    QPainter(&tiled).drawImage(area.topLeft(), tile);
                }
            }
            // Glyphs and line edges may shade a little differently under a
            // clip; a cell, line or text left out differs by far more.
            int strong = 0;
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x) {
                    const QRgb a = whole.pixel(x, y);
                    const QRgb b = tiled.pixel(x, y);
                    const int most =
                        std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
                    strong += most > 96 ? 1 : 0;
                }
            }
            EXPECT_EQ(strong, 0) << "zoom " << zoom << ", page " << page;
        }
    }
}

}  // namespace
}  // namespace vantrel::app::test
