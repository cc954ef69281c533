#include "PagePreviewView.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace vantrel::app {

namespace {

constexpr int kGap = 12;
constexpr std::size_t kKeptPages = 12;
constexpr double kSmallestZoom = 0.2;
constexpr double kLargestZoom = 6;

}  // namespace

PagePreviewView::PagePreviewView(QWidget* parent, QSizeF paper, int pageCount, PagePainter painter)
    : QAbstractScrollArea(parent),
      paper_(paper),
      pageCount_(std::max(1, pageCount)),
      painter_(std::move(painter)) {
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(40);
}

QSize PagePreviewView::PagePixels() const {
    return {static_cast<int>(std::lround(paper_.width() * zoom_)),
            static_cast<int>(std::lround(paper_.height() * zoom_))};
}

int PagePreviewView::Pitch() const {
    return PagePixels().height() + kGap;
}

int PagePreviewView::CurrentPage() const {
    return std::clamp(verticalScrollBar()->value() / std::max(1, Pitch()), 0, pageCount_ - 1);
}

void PagePreviewView::ShowPage(int page) {
    verticalScrollBar()->setValue(std::clamp(page, 0, pageCount_ - 1) * Pitch());
}

void PagePreviewView::SetZoom(double zoom) {
    const int page = CurrentPage();
    fitWidth_ = false;
    zoom_ = std::clamp(zoom, kSmallestZoom, kLargestZoom);
    kept_.clear();
    UpdateScrollBars();
    ShowPage(page);
    viewport()->update();
}

void PagePreviewView::FitWidth() {
    const int page = CurrentPage();
    fitWidth_ = true;
    const int room = viewport()->width() - 2 * kGap;
    zoom_ = std::clamp(room / paper_.width(), kSmallestZoom, kLargestZoom);
    kept_.clear();
    UpdateScrollBars();
    ShowPage(page);
    viewport()->update();
}

void PagePreviewView::UpdateScrollBars() {
    const QSize page = PagePixels();
    const qint64 total = static_cast<qint64>(pageCount_) * Pitch() + kGap;
    // A scroll bar counts in int: past that, pages are still reached by number.
    const int height = static_cast<int>(std::min<qint64>(total, 0x7fffffff));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, page.width() + 2 * kGap - viewport()->width()));
}

const QImage& PagePreviewView::PageImage(int page) {
    for (auto kept = kept_.begin(); kept != kept_.end(); ++kept) {
        if (kept->first == page) {
            kept_.splice(kept_.begin(), kept_, kept);
            return kept_.front().second;
        }
    }
    const qreal ratio = devicePixelRatioF();
    QImage image(PagePixels() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter_(painter, page, zoom_);
    }
    ++painted_;
    kept_.emplace_front(page, std::move(image));
    if (kept_.size() > kKeptPages) {
        kept_.pop_back();
    }
    return kept_.front().second;
}

void PagePreviewView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QSize page = PagePixels();
    const int top = verticalScrollBar()->value();
    const int left =
        std::max(kGap, (viewport()->width() - page.width()) / 2) - horizontalScrollBar()->value();
    const int first = std::clamp(top / Pitch(), 0, pageCount_ - 1);
    for (int p = first; p < pageCount_; ++p) {
        const int y = kGap + p * Pitch() - top;
        if (y >= viewport()->height()) {
            break;
        }
        painter.drawImage(QPoint(left, y), PageImage(p));
        painter.setPen(Qt::black);
        painter.drawRect(QRect(QPoint(left, y), page).adjusted(-1, -1, 0, 0));
    }
    if (CurrentPage() != lastReported_) {
        lastReported_ = CurrentPage();
        emit CurrentPageChanged(lastReported_);
    }
}

void PagePreviewView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (fitWidth_) {
        FitWidth();
    } else {
        UpdateScrollBars();
    }
}

void PagePreviewView::scrollContentsBy(int, int) {
    viewport()->update();
}

}  // namespace vantrel::app
