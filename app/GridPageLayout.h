#pragma once
// How the grid goes onto landscape A4 pages, in points (1/72 inch) from the
// paper's top left corner: the columns at their widths on screen (narrowed
// all alike when together they are wider than the page), the title row at
// the top of every page, as many rows under it as fit, and the footer with
// the date and the page number at the bottom. Painting reads these figures.

#include <QRectF>
#include <QSizeF>
#include <vector>

namespace vantrel::app {

class GridPageLayout {
  public:
    // Landscape A4 with margins of 10 mm.
    static QSizeF A4Landscape();
    static constexpr double kMargin = 72 / 25.4 * 10;

    // `columnPixels`: the visible columns' widths on screen, in order.
    GridPageLayout(QSizeF paper, const std::vector<int>& columnPixels, int rowCount);

    int PageCount() const { return pageCount_; }
    int RowsPerPage() const { return rowsPerPage_; }
    // The first row of `page` and how many rows it holds.
    int FirstRow(int page) const { return page * rowsPerPage_; }
    int RowsOn(int page) const;

    QSizeF Paper() const { return paper_; }
    // Points per screen pixel: 0.75 (96 pixels to the inch) or less.
    double Scale() const { return scale_; }
    double FontSize() const { return fontSize_; }
    QRectF TitleCell(int column) const;
    // Row `slot` (from 0) of a page.
    QRectF Cell(int slot, int column) const;
    // The footer's lines stand at its bottom; above them a line is left blank.
    QRectF Footer() const;

  private:
    QSizeF paper_;
    QRectF body_;
    std::vector<double> lefts_;
    std::vector<double> widths_;
    double scale_ = 0.75;
    double fontSize_ = 9;
    double rowHeight_ = 13;
    double titleHeight_ = 16;
    int rowCount_ = 0;
    int rowsPerPage_ = 1;
    int pageCount_ = 1;
};

}  // namespace vantrel::app
