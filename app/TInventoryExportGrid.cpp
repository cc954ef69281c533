#include "TInventoryExportGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <cmath>

#include "GbkText.h"
#include "TInventoryModel.h"

namespace vantrel::app {

namespace {

using exporter::TAlignment;
using exporter::TColor;
using exporter::TExportFont;
using exporter::TFieldKind;
using exporter::TSystemColor;

TFieldKind KindOf(store::FieldType type) {
    switch (type) {
        case store::FieldType::Integer:
            return TFieldKind::Integer;
        case store::FieldType::Float:
            return TFieldKind::Float;
        case store::FieldType::DateTime:
            return TFieldKind::DateTime;
        case store::FieldType::Text:
            break;
    }
    return TFieldKind::Text;
}

TExportFont FontOf(const QFont& font, int pixelsPerInch) {
    TExportFont out;
    out.name = ToGbk(font.family());
    // Whole points, as the font's size is given to the user: 13 pixels at 96
    // pixels per inch are 10 points.
    if (font.pixelSize() > 0) {
        out.size = static_cast<int>(std::lround(font.pixelSize() * 72.0 / pixelsPerInch));
    } else {
        out.size = static_cast<int>(std::lround(font.pointSizeF()));
    }
    out.color = TColor::Of(TSystemColor::WindowText);
    out.bold = font.bold();
    out.italic = font.italic();
    out.underline = font.underline();
    out.strikeOut = font.strikeOut();
    return out;
}

}  // namespace

TInventoryExportGrid::TInventoryExportGrid(QTableView& grid, TInventoryModel& model,
                                           store::TADOQuery1& query,
                                           std::function<void()> dataSetChanged)
    : grid_(grid), model_(model), query_(query), dataSetChanged_(std::move(dataSetChanged)) {}

std::string TInventoryExportGrid::Name() const {
    return grid_.objectName().toStdString();
}

exporter::TGridLook TInventoryExportGrid::Look() const {
    exporter::TGridLook look;
    look.columnLines = grid_.showGrid();
    look.rowLines = grid_.showGrid();
    look.ctl3D = true;
    look.flat = false;
    look.titleRow = !grid_.horizontalHeader()->isHidden();
    return look;
}

TColor TInventoryExportGrid::FixedColor() const {
    return TColor::Of(TSystemColor::ButtonFace);
}

int TInventoryExportGrid::PixelsPerInch() const {
    return grid_.logicalDpiX() > 0 ? grid_.logicalDpiX() : 96;
}

exporter::TRgb TInventoryExportGrid::Resolve(const TColor& color) const {
    if (color.kind == TColor::Kind::Rgb) {
        return color.rgb;
    }
    if (color.kind == TColor::Kind::None) {
        return {0, 0, 0};
    }
    // The grid's palette now: window is its cell background, window text
    // its text, button face its titles.
    QPalette::ColorRole role = QPalette::Base;
    switch (color.system) {
        case TSystemColor::Window:
            role = QPalette::Base;
            break;
        case TSystemColor::WindowText:
            role = QPalette::Text;
            break;
        case TSystemColor::ButtonFace:
            role = QPalette::Button;
            break;
    }
    const QColor value = grid_.palette().color(role);
    return {static_cast<std::uint8_t>(value.red()), static_cast<std::uint8_t>(value.green()),
            static_cast<std::uint8_t>(value.blue())};
}

std::vector<exporter::TExportColumn> TInventoryExportGrid::VisibleColumns() const {
    std::vector<exporter::TExportColumn> columns;
    const QHeaderView& header = *grid_.horizontalHeader();
    const int ppi = PixelsPerInch();
    const TExportFont cellFont = FontOf(grid_.font(), ppi);
    const TExportFont titleFont = FontOf(header.font(), ppi);
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (logical < 0 || logical >= TInventoryModel::kColumnCount ||
            grid_.isColumnHidden(logical)) {
            continue;
        }
        exporter::TExportColumn column;
        column.caption = TInventoryModel::Columns()[static_cast<std::size_t>(logical)].title;
        column.width = grid_.columnWidth(logical);
        column.titleAlignment = TAlignment::Center;
        column.titleFont = titleFont;
        column.titleColor = TColor::Of(TSystemColor::ButtonFace);
        column.font = cellFont;
        column.color = TColor::Of(TSystemColor::Window);
        column.field = model_.FieldOfColumn(logical);
        if (column.field >= 0) {
            column.fieldKind = KindOf(query_.Fields()[static_cast<std::size_t>(column.field)].Type);
        }
        const bool numeric =
            column.fieldKind == TFieldKind::Integer || column.fieldKind == TFieldKind::Float;
        column.alignment = numeric ? TAlignment::Right : TAlignment::Left;
        columns.push_back(std::move(column));
    }
    return columns;
}

void TInventoryExportGrid::DisableControls() {
    grid_.setUpdatesEnabled(false);
}

void TInventoryExportGrid::EnableControls() {
    grid_.setUpdatesEnabled(true);
}

void TInventoryExportGrid::SavePosition() {
    current_.reset();
    verticalScroll_ = grid_.verticalScrollBar()->value();
    horizontalScroll_ = grid_.horizontalScrollBar()->value();
    if (!query_.Active()) {
        return;
    }
    // The walk's first move ends an edit in progress; ending it here keeps
    // the bookmark valid when that drops an untouched new row.
    if (query_.Editing()) {
        query_.EndEdit();
    }
    if (query_.RecNo() >= 0) {
        current_ = query_.GetBookmark();
    }
}

void TInventoryExportGrid::RestorePosition() {
    if (current_ && query_.Active()) {
        query_.GotoBookmark(*current_);
    }
    dataSetChanged_();
    grid_.verticalScrollBar()->setValue(verticalScroll_);
    grid_.horizontalScrollBar()->setValue(horizontalScroll_);
}

void TInventoryExportGrid::First() {
    query_.First();
}

void TInventoryExportGrid::Next() {
    query_.Next();
}

bool TInventoryExportGrid::Eof() const {
    return query_.Eof();
}

exporter::TFieldValue TInventoryExportGrid::Value(const exporter::TExportColumn& column) const {
    if (column.field < 0 || query_.RecNo() < 0) {
        return {};
    }
    const store::FieldValue& value = query_.Value(static_cast<std::size_t>(query_.RecNo()),
                                                  static_cast<std::size_t>(column.field));
    if (!value) {
        return {};
    }
    return {false, *value};
}

}  // namespace vantrel::app
