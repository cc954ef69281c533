#include "GridPageLayout.h"

#include <algorithm>
#include <numeric>

namespace vantrel::app {

namespace {

constexpr double kScreenScale = 72.0 / 96;  // points per pixel at 96 pixels to the inch
constexpr double kFontSize = 9;             // points, at the screen's widths
constexpr double kSmallestFont = 5;
constexpr double kFooterLines = 2;

}  // namespace

QSizeF GridPageLayout::A4Landscape() {
    return {297 * 72 / 25.4, 210 * 72 / 25.4};
}

GridPageLayout::GridPageLayout(QSizeF paper, const std::vector<int>& columnPixels, int rowCount)
    : paper_(paper),
      body_(kMargin, kMargin, paper.width() - 2 * kMargin, paper.height() - 2 * kMargin),
      rowCount_(std::max(0, rowCount)) {
    const double pixels = std::accumulate(columnPixels.begin(), columnPixels.end(), 0.0);
    scale_ = pixels * kScreenScale > body_.width() ? body_.width() / pixels : kScreenScale;
    fontSize_ = std::max(kSmallestFont, kFontSize * scale_ / kScreenScale);
    rowHeight_ = fontSize_ * 1.5;
    titleHeight_ = rowHeight_ * 1.2;
    double left = body_.left();
    for (int width : columnPixels) {
        lefts_.push_back(left);
        widths_.push_back(width * scale_);
        left += width * scale_;
    }
    const double rowsRoom = body_.height() - titleHeight_ - kFooterLines * rowHeight_;
    rowsPerPage_ = std::max(1, static_cast<int>(rowsRoom / rowHeight_));
    pageCount_ = std::max(1, (rowCount_ + rowsPerPage_ - 1) / rowsPerPage_);
}

int GridPageLayout::RowsOn(int page) const {
    if (page < 0 || page >= pageCount_) {
        return 0;
    }
    return std::min(rowsPerPage_, rowCount_ - FirstRow(page));
}

QRectF GridPageLayout::TitleCell(int column) const {
    const auto c = static_cast<std::size_t>(column);
    return {lefts_[c], body_.top(), widths_[c], titleHeight_};
}

QRectF GridPageLayout::Cell(int slot, int column) const {
    const auto c = static_cast<std::size_t>(column);
    return {lefts_[c], body_.top() + titleHeight_ + slot * rowHeight_, widths_[c], rowHeight_};
}

QRectF GridPageLayout::Footer() const {
    return {body_.left(), body_.bottom() - kFooterLines * rowHeight_, body_.width(),
            kFooterLines * rowHeight_};
}

}  // namespace vantrel::app
