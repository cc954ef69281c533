#include "PagePreviewView.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace vantrel::app {

namespace {

constexpr int kGap = 12;
// About 64 tiles: the pages in view and those just seen, at two zooms.
constexpr std::size_t kKeptBytes = std::size_t{64} << 20;
// A paint event paints tiles for at most this long (always one at least);
// the others follow in the next events.
constexpr qint64 kPaintMilliseconds = 30;
constexpr double kSmallestZoom = 0.2;
constexpr double kLargestZoom = 6;
const QColor kPendingTile(0xf4, 0xf4, 0xf4);

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
    UpdateScrollBars();
    ShowPage(page);
    viewport()->update();
}

void PagePreviewView::FitWidth() {
    const int page = CurrentPage();
    fitWidth_ = true;
    const int room = viewport()->width() - 2 * kGap;
    zoom_ = std::clamp(room / paper_.width(), kSmallestZoom, kLargestZoom);
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

const QImage* PagePreviewView::KeptTile(int page, QPoint corner) {
    for (auto kept = kept_.begin(); kept != kept_.end(); ++kept) {
        if (kept->page == page && kept->zoom == zoom_ && kept->corner == corner) {
            kept_.splice(kept_.begin(), kept_, kept);
            return &kept_.front().image;
        }
    }
    return nullptr;
}

const QImage& PagePreviewView::PaintTile(int page, QRect area) {
    const qreal ratio = devicePixelRatioF();
    QImage image(area.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate(-area.topLeft());
        // The clip tells the page painter what it may leave out.
        painter.setClipRect(area);
        painter_(painter, page, zoom_);
    }
    ++tilesPainted_;
    const bool pageKept = std::any_of(kept_.begin(), kept_.end(), [&](const Tile& tile) {
        return tile.page == page && tile.zoom == zoom_;
    });
    painted_ += pageKept ? 0 : 1;
    keptBytes_ += static_cast<std::size_t>(image.sizeInBytes());
    kept_.push_front({page, zoom_, area.topLeft(), std::move(image)});
    // The tile just painted stays whatever its size.
    while (keptBytes_ > kKeptBytes && kept_.size() > 1) {
        keptBytes_ -= static_cast<std::size_t>(kept_.back().image.sizeInBytes());
        kept_.pop_back();
    }
    return kept_.front().image;
}

void PagePreviewView::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    QPainter painter(viewport());
    const QSize page = PagePixels();
    const QRect view = viewport()->rect();
    const int top = verticalScrollBar()->value();
    const int left =
        std::max(kGap, (view.width() - page.width()) / 2) - horizontalScrollBar()->value();
    const int first = std::clamp(top / Pitch(), 0, pageCount_ - 1);
    bool pending = false;
    bool paintedAny = false;
    for (int p = first; p < pageCount_; ++p) {
        const int y = kGap + p * Pitch() - top;
        if (y >= view.height()) {
            break;
        }
        const QRect onView(QPoint(left, y), page);
        // The part of the page in view, in the page's pixels.
        const QRect seen = onView.intersected(view).translated(-onView.topLeft());
        for (int ty = seen.top() / kTile * kTile; ty <= seen.bottom(); ty += kTile) {
            for (int tx = seen.left() / kTile * kTile; tx <= seen.right(); tx += kTile) {
                const QRect area = QRect(tx, ty, kTile, kTile).intersected(QRect(QPoint(), page));
                const QImage* tile = KeptTile(p, area.topLeft());
                if (tile == nullptr && (!paintedAny || clock.elapsed() < kPaintMilliseconds)) {
                    tile = &PaintTile(p, area);
                    paintedAny = true;
                }
                if (tile != nullptr) {
                    painter.drawImage(onView.topLeft() + area.topLeft(), *tile);
                } else {
                    painter.fillRect(area.translated(onView.topLeft()), kPendingTile);
                    pending = true;
                }
            }
        }
        painter.setPen(Qt::black);
        painter.drawRect(onView.adjusted(-1, -1, 0, 0));
    }
    // The tiles left blank are painted after the window has handled what
    // else is waiting.
    if (pending && !morePending_) {
        morePending_ = true;
        // A timer rather than a posted call: posted events would all be
        // handled before the window's timers and input get their turn.
        QTimer::singleShot(1, Qt::PreciseTimer, this, [this] {
            morePending_ = false;
            viewport()->update();
        });
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
