#include "GridPages.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTableView>
#include <stdexcept>
#include <vector>

#include "Controls.h"
#include "GbkLiteral.h"

namespace vantrel::app {

namespace {

constexpr int kProgressMilliseconds = 100;
const QColor kTitleBackground(0xe8, 0xe8, 0xe8);
const QColor kLines(0x80, 0x80, 0x80);

std::vector<int> VisibleWidths(const QTableView& grid) {
    std::vector<int> widths;
    const QHeaderView* titles = grid.horizontalHeader();
    for (int visual = 0; visual < titles->count(); ++visual) {
        const int logical = titles->logicalIndex(visual);
        if (!titles->isSectionHidden(logical)) {
            widths.push_back(titles->sectionSize(logical));
        }
    }
    return widths;
}

int RowCountOf(const QTableView& grid) {
    return grid.model() != nullptr ? grid.model()->rowCount() : 0;
}

}  // namespace

GridPages::GridPages(const QTableView& grid, QString date)
    : model_(grid.model()),
      layout_(GridPageLayout::A4Landscape(), VisibleWidths(grid), RowCountOf(grid)),
      date_(std::move(date)) {
    const QHeaderView* titles = grid.horizontalHeader();
    for (int visual = 0; visual < titles->count(); ++visual) {
        const int logical = titles->logicalIndex(visual);
        if (titles->isSectionHidden(logical) || !model_) {
            continue;
        }
        const QVariant alignment =
            model_->headerData(logical, Qt::Horizontal, Qt::TextAlignmentRole);
        columns_.push_back({logical, model_->headerData(logical, Qt::Horizontal).toString(),
                            alignment.isValid()
                                ? Qt::Alignment(alignment.toInt()) & Qt::AlignHorizontal_Mask
                                : Qt::AlignLeft});
    }
}

QString GridPages::PageNumberText(int page, int pages) {
    return QString::fromUtf8("第 %1 页，共 %2 页").arg(page).arg(pages);
}

void GridPages::PaintPage(QPainter& painter, int page, double dotsPerPoint) const {
    painter.save();
    painter.scale(dotsPerPoint, dotsPerPoint);
    // What lies outside the clip is left out (a preview paints part of a
    // page at a time); a point around it catches the lines on its edge.
    const QRectF shown = painter.hasClipping() ? painter.clipBoundingRect().adjusted(-1, -1, 1, 1)
                                               : QRectF(QPointF(), layout_.Paper());
    QFont font = FaceFont(std::max(1, static_cast<int>(layout_.FontSize() + 0.5)));
    const double padding = layout_.FontSize() / 4;
    QPen lines(kLines);
    lines.setWidthF(0.5);
    painter.setPen(lines);

    // The columns in view: those between the clip's left and right.
    std::vector<std::size_t> columns;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const QRectF title = layout_.TitleCell(static_cast<int>(c));
        if (title.right() >= shown.left() && title.left() <= shown.right()) {
            columns.push_back(c);
        }
    }
    font.setBold(true);
    painter.setFont(font);
    const QRectF titleRow = columns.empty() ? QRectF() : layout_.TitleCell(0);
    if (!columns.empty() && titleRow.bottom() >= shown.top() && titleRow.top() <= shown.bottom()) {
        const QFontMetrics metrics = painter.fontMetrics();
        for (const std::size_t c : columns) {
            const QRectF cell = layout_.TitleCell(static_cast<int>(c));
            painter.fillRect(cell, kTitleBackground);
            painter.drawRect(cell);
            painter.drawText(cell, Qt::AlignCenter,
                             metrics.elidedText(columns_[c].title, Qt::ElideRight,
                                                static_cast<int>(cell.width())));
        }
    }
    font.setBold(false);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int first = layout_.FirstRow(page);
    const int rows = model_ ? std::min(layout_.RowsOn(page), model_->rowCount() - first) : 0;
    for (int slot = 0; slot < rows && !columns.empty(); ++slot) {
        const QRectF row = layout_.Cell(slot, static_cast<int>(columns.front()));
        if (row.bottom() < shown.top()) {
            continue;
        }
        if (row.top() > shown.bottom()) {
            break;
        }
        for (const std::size_t c : columns) {
            const QRectF cell = layout_.Cell(slot, static_cast<int>(c));
            painter.drawRect(cell);
            const QString text =
                model_->data(model_->index(first + slot, columns_[c].logical)).toString();
            if (text.isEmpty()) {
                continue;
            }
            const QRectF inside = cell.adjusted(padding, 0, -padding, 0);
            painter.drawText(
                inside, columns_[c].alignment | Qt::AlignVCenter,
                metrics.elidedText(text, Qt::ElideRight, static_cast<int>(inside.width())));
        }
    }
    const QRectF footer = layout_.Footer();
    if (footer.intersects(shown)) {
        painter.setPen(Qt::black);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom,
                         QString::fromUtf8("打印日期：") + date_);
        painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                         PageNumberText(page + 1, layout_.PageCount()));
    }
    painter.restore();
}

void GridPages::SetPage(QPrinter& printer) {
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

bool GridPages::PrintAll(QPrinter& printer, const std::function<bool(int)>& progress) const {
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw std::runtime_error(u8"无法开始打印：打印机或文件不可用。"_gbk);
    }
    const double dotsPerPoint = printer.resolution() / 72.0;
    // The range the print dialog asked for, when it asked for one.
    const int first = printer.fromPage() > 0 ? printer.fromPage() - 1 : 0;
    const int last = printer.toPage() > 0 ? std::min(printer.toPage(), PageCount()) : PageCount();
    QElapsedTimer slice;
    slice.start();
    for (int page = first; page < last; ++page) {
        if (slice.elapsed() >= kProgressMilliseconds) {
            if (!progress(page - first)) {
                printer.abort();
                painter.end();
                return false;
            }
            slice.restart();
        }
        if (page > first) {
            printer.newPage();
        }
        PaintPage(painter, page, dotsPerPoint);
    }
    return painter.end();
}

}  // namespace vantrel::app
