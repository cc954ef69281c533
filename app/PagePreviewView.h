#pragma once
// Pages one under the other in a scrolling view. A page is painted in
// square tiles, only those in view, and the tiles are kept for a while (by
// page and zoom, up to a bound in bytes), so that a document of thousands
// of pages opens at once, scrolls without painting what is not seen, and a
// high zoom paints the part of a page in view rather than the whole page.
// One paint event paints tiles for a bounded time; what is left shows
// blank and is painted in the next events, so that the window keeps
// answering however much is in view.

#include <QAbstractScrollArea>
#include <QImage>
#include <QSizeF>
#include <cstddef>
#include <functional>
#include <list>

namespace vantrel::app {

class PagePreviewView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // Paints page `page` (from 0) onto the painter, `dotsPerPoint` pixels
    // to a point, the paper's corner at the origin. When the painter clips,
    // what lies outside the clip may be left out.
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
    // Pages painted since the view was made: a page counts when a tile of
    // it is painted at a zoom none of its kept tiles has (kept tiles are
    // not painted again).
    int PagesPainted() const { return painted_; }
    // Tiles painted since the view was made, and the bytes of those kept.
    int TilesPainted() const { return tilesPainted_; }
    std::size_t KeptBytes() const { return keptBytes_; }

    // Tiles are this many pixels square (the last ones of a page smaller).
    static constexpr int kTile = 256;

  signals:
    void CurrentPageChanged(int page);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    struct Tile {
        int page;
        double zoom;
        QPoint corner;  // in the page's pixels at that zoom
        QImage image;
    };

    QSize PagePixels() const;
    int Pitch() const;  // a page and the gap under it
    // The kept tile of `page` at the current zoom with that corner; null
    // when none.
    const QImage* KeptTile(int page, QPoint corner);
    const QImage& PaintTile(int page, QRect area);
    void UpdateScrollBars();

    QSizeF paper_;
    int pageCount_;
    PagePainter painter_;
    double zoom_ = 1;
    bool fitWidth_ = true;
    int painted_ = 0;
    int tilesPainted_ = 0;
    int lastReported_ = -1;
    bool morePending_ = false;
    // The tiles painted last, newest first.
    std::list<Tile> kept_;
    std::size_t keptBytes_ = 0;
};

}  // namespace vantrel::app
