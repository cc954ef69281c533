#pragma once
// Where asset labels go on paper, in millimetres: the sheet (or the one
// label a label printer feeds), how many labels it holds and where each of
// them, its QR code and its three lines of text (asset number, PC name,
// department) stand. Painting reads these figures; nothing here draws.

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <array>
#include <optional>

namespace vantrel::app {

enum class LabelSheet {
    A4By3x8,      // A4, 3 across and 8 down, 70 x 37 mm each
    A4By2x5,      // A4, 2 across and 5 down, 105 x 57 mm each
    Single50x30,  // one 50 x 30 mm label a page, for label printers
};

// Where one label's parts stand, relative to the page's top left corner.
struct LabelParts {
    QRectF label;
    QRectF code;  // a square; the code's quiet zone lies inside it
    std::array<QRectF, 3> lines;
    double textHeight = 0;  // of a line's characters
};

class LabelLayout {
  public:
    static LabelLayout Of(LabelSheet sheet);

    // The name a setting keeps ("3x8", "2x5", "50x30") and back; nullopt
    // for a name no layout has.
    static QString KeyOf(LabelSheet sheet);
    static std::optional<LabelSheet> SheetOfKey(const QString& key);
    // The name a user picks it by, e.g. "A4 每页 3 × 8 张".
    static QString CaptionOf(LabelSheet sheet);

    LabelSheet Sheet() const { return sheet_; }
    QSizeF PageSize() const { return page_; }
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int LabelsPerPage() const { return columns_ * rows_; }
    // Pages `labels` labels take; at least one, so that a preview shows a page.
    int PageCount(int labels) const;
    // Label `index` (0-based, over all pages) is on page index / LabelsPerPage(),
    // here on it.
    LabelParts PartsOf(int index) const;

  private:
    LabelSheet sheet_ = LabelSheet::A4By3x8;
    QSizeF page_;
    QSizeF label_;
    QPointF origin_;  // top left corner of the first label
    int columns_ = 1;
    int rows_ = 1;
    double padding_ = 2;
};

}  // namespace vantrel::app
