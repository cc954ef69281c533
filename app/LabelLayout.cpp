#include "LabelLayout.h"

#include <algorithm>

namespace vantrel::app {

namespace {

constexpr QSizeF kA4{210, 297};
// A line of text takes its characters' height and a fifth more.
constexpr double kLineSpacing = 1.2;

}  // namespace

LabelLayout LabelLayout::Of(LabelSheet sheet) {
    LabelLayout layout;
    layout.sheet_ = sheet;
    switch (sheet) {
        case LabelSheet::A4By3x8:
            // 24 labels of 70 x 37 mm fill the width and leave half a
            // millimetre above and below, as the usual sheets of 24 are cut.
            layout.page_ = kA4;
            layout.label_ = {70, 37};
            layout.columns_ = 3;
            layout.rows_ = 8;
            layout.padding_ = 2;
            break;
        case LabelSheet::A4By2x5:
            layout.page_ = kA4;
            layout.label_ = {105, 57};
            layout.columns_ = 2;
            layout.rows_ = 5;
            layout.padding_ = 3;
            break;
        case LabelSheet::Single50x30:
            layout.page_ = {50, 30};
            layout.label_ = {50, 30};
            layout.padding_ = 1.5;
            break;
    }
    layout.origin_ = {(layout.page_.width() - layout.columns_ * layout.label_.width()) / 2,
                      (layout.page_.height() - layout.rows_ * layout.label_.height()) / 2};
    return layout;
}

QString LabelLayout::KeyOf(LabelSheet sheet) {
    switch (sheet) {
        case LabelSheet::A4By2x5:
            return QStringLiteral("2x5");
        case LabelSheet::Single50x30:
            return QStringLiteral("50x30");
        case LabelSheet::A4By3x8:
            break;
    }
    return QStringLiteral("3x8");
}

std::optional<LabelSheet> LabelLayout::SheetOfKey(const QString& key) {
    for (LabelSheet sheet : {LabelSheet::A4By3x8, LabelSheet::A4By2x5, LabelSheet::Single50x30}) {
        if (KeyOf(sheet) == key) {
            return sheet;
        }
    }
    return std::nullopt;
}

QString LabelLayout::CaptionOf(LabelSheet sheet) {
    switch (sheet) {
        case LabelSheet::A4By2x5:
            return QString::fromUtf8("A4 每页 2 × 5 张（105 × 57 毫米）");
        case LabelSheet::Single50x30:
            return QString::fromUtf8("单张标签 50 × 30 毫米");
        case LabelSheet::A4By3x8:
            break;
    }
    return QString::fromUtf8("A4 每页 3 × 8 张（70 × 37 毫米）");
}

int LabelLayout::PageCount(int labels) const {
    return std::max(1, (labels + LabelsPerPage() - 1) / LabelsPerPage());
}

LabelParts LabelLayout::PartsOf(int index) const {
    const int onPage = index % LabelsPerPage();
    const int column = onPage % columns_;
    const int row = onPage / columns_;
    LabelParts parts;
    parts.label = QRectF(origin_.x() + column * label_.width(), origin_.y() + row * label_.height(),
                         label_.width(), label_.height());
    const QRectF inner = parts.label.adjusted(padding_, padding_, -padding_, -padding_);
    // Three lines under the code take a little under a third of the
    // height, at most 4 mm characters on the large labels.
    parts.textHeight = std::min(4.0, inner.height() * 0.3 / (3 * kLineSpacing));
    const double lineHeight = parts.textHeight * kLineSpacing;
    const double side = std::min(inner.width(), inner.height() - 3 * lineHeight);
    parts.code = QRectF(inner.center().x() - side / 2, inner.top(), side, side);
    for (int line = 0; line < 3; ++line) {
        parts.lines[static_cast<std::size_t>(line)] =
            QRectF(inner.left(), inner.top() + side + line * lineHeight, inner.width(), lineHeight);
    }
    return parts;
}

}  // namespace vantrel::app
