#include "LabelPainter.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Controls.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "QrCode.h"

namespace vantrel::app {

namespace {

// A field as the code line holds it: no separator, no line break.
std::string CodeField(const std::string& gbk) {
    std::string utf8 = text::GbkToUtf8(gbk);
    for (char& c : utf8) {
        if (c == '|' || (static_cast<unsigned char>(c) < 0x20) || c == 0x7f) {
            c = ' ';
        }
    }
    return utf8;
}

QRectF Scaled(const QRectF& mm, double dotsPerMm) {
    return {mm.x() * dotsPerMm, mm.y() * dotsPerMm, mm.width() * dotsPerMm,
            mm.height() * dotsPerMm};
}

void PaintCode(QPainter& painter, const QrCode& code, const QRectF& area) {
    const int modules = code.Width() + 2 * QrCode::kQuietZone;
    // Whole device pixels a module, so that no module blurs into its
    // neighbours on a raster printer.
    const double module = std::max(1.0, std::floor(area.width() / modules));
    const double side = module * code.Width();
    const QPointF origin(std::round(area.center().x() - side / 2),
                         std::round(area.center().y() - side / 2));
    painter.fillRect(area, Qt::white);
    for (int y = 0; y < code.Width(); ++y) {
        int x = 0;
        while (x < code.Width()) {
            if (!code.Dark(x, y)) {
                ++x;
                continue;
            }
            // A run of dark modules as one rectangle keeps the PDF small.
            const int start = x;
            while (x < code.Width() && code.Dark(x, y)) {
                ++x;
            }
            painter.fillRect(QRectF(origin.x() + start * module, origin.y() + y * module,
                                    (x - start) * module, module),
                             Qt::black);
        }
    }
}

}  // namespace

std::string QrTextOf(const LabelData& label) {
    return CodeField(label.assetNumber) + "|" + CodeField(label.mac) + "|" +
           CodeField(label.pcName);
}

void PaintLabelPage(QPainter& painter, const LabelLayout& layout,
                    const std::vector<LabelData>& labels, int page, double dotsPerMm) {
    const int first = page * layout.LabelsPerPage();
    const int last = std::min(static_cast<int>(labels.size()), first + layout.LabelsPerPage());
    painter.save();
    painter.setPen(Qt::black);
    for (int index = first; index < last; ++index) {
        const LabelData& label = labels[static_cast<std::size_t>(index)];
        const LabelParts parts = layout.PartsOf(index);
        PaintCode(painter, QrCode(QrTextOf(label)), Scaled(parts.code, dotsPerMm));
        QFont font = FaceFont(std::max(1, static_cast<int>(parts.textHeight * dotsPerMm)));
        const std::string* texts[] = {&label.assetNumber, &label.pcName, &label.department};
        for (std::size_t line = 0; line < parts.lines.size(); ++line) {
            font.setBold(line == 0);
            painter.setFont(font);
            const QRectF box = Scaled(parts.lines[line], dotsPerMm);
            const QString shown = painter.fontMetrics().elidedText(
                FromGbk(*texts[line]), Qt::ElideRight, static_cast<int>(box.width()));
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, shown);
        }
    }
    painter.restore();
}

void SetLabelPage(QPrinter& printer, const LabelLayout& layout) {
    const QSizeF size = layout.PageSize();
    const bool landscape = size.width() > size.height();
    // A page size is given upright; a wide label is that page turned.
    const QPageSize pageSize(landscape ? size.transposed() : size, QPageSize::Millimeter);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(pageSize,
                                      landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

void PrintLabels(QPrinter& printer, const LabelLayout& layout,
                 const std::vector<LabelData>& labels) {
    SetLabelPage(printer, layout);
    PaintLabels(printer, layout, labels);
}

void PaintLabels(QPrinter& printer, const LabelLayout& layout,
                 const std::vector<LabelData>& labels) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw std::runtime_error(u8"无法开始打印：打印机或文件不可用。"_gbk);
    }
    const double dotsPerMm = printer.resolution() / 25.4;
    const int pages = layout.PageCount(static_cast<int>(labels.size()));
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            printer.newPage();
        }
        PaintLabelPage(painter, layout, labels, page, dotsPerMm);
    }
    painter.end();
}

}  // namespace vantrel::app
