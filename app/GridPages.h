#pragma once
// The grid as it is shown (its rows in their search and sort, its visible
// columns in their order and at their widths) as printed pages: one page
// painted on demand, for a preview that paints only the pages in view, and
// every page to a printer or a PDF file in slices between which the window
// handles its events.

#include <QAbstractItemModel>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "GridPageLayout.h"

class QPainter;
class QPrinter;
class QTableView;

namespace vantrel::app {

class GridPages {
  public:
    // Takes the grid's columns now; the rows are read from its model as
    // pages are painted. `date` is the footer's date ("YYYY-MM-DD").
    GridPages(const QTableView& grid, QString date);

    const GridPageLayout& Layout() const { return layout_; }
    int PageCount() const { return layout_.PageCount(); }

    // Paints page `page` (from 0) with the paper's top left corner at the
    // painter's origin, `dotsPerPoint` device pixels to a point.
    void PaintPage(QPainter& painter, int page, double dotsPerPoint) const;

    // Sets the printer to landscape A4 without margins of its own (the
    // layout keeps them).
    static void SetPage(QPrinter& printer);
    // Prints every page (those of the printer's page range when it has
    // one). Between pages `progress` is called with the pages
    // done at most every 100 ms (the caller lets the window handle its
    // events there); false from it stops the job and drops it. Returns
    // whether every page was printed. Throws std::runtime_error (GBK) when
    // the printer or file cannot start.
    bool PrintAll(QPrinter& printer, const std::function<bool(int)>& progress) const;

    // "第 3 页，共 12 页"
    static QString PageNumberText(int page, int pages);

  private:
    struct Column {
        int logical;
        QString title;
        Qt::Alignment alignment;
    };

    QPointer<QAbstractItemModel> model_;
    std::vector<Column> columns_;
    GridPageLayout layout_;
    QString date_;
};

}  // namespace vantrel::app
