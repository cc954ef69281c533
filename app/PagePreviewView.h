#pragma once
// Pages one under the other in a scrolling view, each painted only when it
// comes into view (and kept for a while), so that a document of thousands
// of pages opens at once and scrolls without painting what is not seen.

#include <QAbstractScrollArea>
#include <QImage>
#include <QSizeF>
#include <functional>
#include <list>
#include <utility>

namespace vantrel::app {

class PagePreviewView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // Paints page `page` (from 0) onto the painter, `dotsPerPoint` pixels
    // to a point, the paper's corner at the origin.
    using PagePainter = std::function<void(QPainter&, int page, double dotsPerPoint)>;

    // `paper` in points.
    PagePreviewView(QWidget* parent, QSizeF paper, int pageCount, PagePainter painter);

    int PageCount() const { return pageCount_; }
    // The page at the top of the view (from 0).
    int CurrentPage() const;
    void ShowPage(int page);
    // Pixels per point; FitWidth makes a page as wide as the view.
    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    void FitWidth();
    // Pages painted since the view was made (kept pages are not painted again).
    int PagesPainted() const { return painted_; }

  signals:
    void CurrentPageChanged(int page);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    QSize PagePixels() const;
    int Pitch() const;  // a page and the gap under it
    const QImage& PageImage(int page);
    void UpdateScrollBars();

    QSizeF paper_;
    int pageCount_;
    PagePainter painter_;
    double zoom_ = 1;
    bool fitWidth_ = true;
    int painted_ = 0;
    int lastReported_ = -1;
    // The pages painted last, newest first.
    std::list<std::pair<int, QImage>> kept_;
};

}  // namespace vantrel::app
