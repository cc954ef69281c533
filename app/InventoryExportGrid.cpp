#include "InventoryExportGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <cmath>

#include "GbkText.h"
#include "InventoryModel.h"

namespace vantrel::app {

namespace {

using exporter::Alignment;
using exporter::Color;
using exporter::ExportFont;
using exporter::FieldKind;
using exporter::SystemColor;

FieldKind KindOf(store::FieldType type) {
    switch (type) {
        case store::FieldType::Integer:
            return FieldKind::Integer;
        case store::FieldType::Float:
            return FieldKind::Float;
        case store::FieldType::DateTime:
            return FieldKind::DateTime;
        case store::FieldType::Text:
            break;
    }
    return FieldKind::Text;
}

ExportFont FontOf(const QFont& font, int pixelsPerInch) {
    ExportFont out;
    out.name = ToGbk(font.family());
    // Whole points, as the font's size is given to the user: 13 pixels at 96
    // pixels per inch are 10 points.
    if (font.pixelSize() > 0) {
        out.size = static_cast<int>(std::lround(font.pixelSize() * 72.0 / pixelsPerInch));
    } else {
        out.size = static_cast<int>(std::lround(font.pointSizeF()));
    }
    out.color = Color::Of(SystemColor::WindowText);
    out.bold = font.bold();
    out.italic = font.italic();
    out.underline = font.underline();
    out.strikeOut = font.strikeOut();
    return out;
}

}  // namespace

InventoryExportGrid::InventoryExportGrid(QTableView& grid, InventoryModel& model,
                                         store::InventoryDataset& query,
                                         std::function<void()> dataSetChanged)
    : grid_(grid), model_(model), query_(query), dataSetChanged_(std::move(dataSetChanged)) {}

std::string InventoryExportGrid::Name() const {
    // The HTML export's page title, unchanged since the first release.
    return "DBGridEh1";
}

exporter::GridLook InventoryExportGrid::Look() const {
    exporter::GridLook look;
    look.columnLines = grid_.showGrid();
    look.rowLines = grid_.showGrid();
    look.ctl3D = true;
    look.flat = false;
    look.titleRow = !grid_.horizontalHeader()->isHidden();
    return look;
}

Color InventoryExportGrid::FixedColor() const {
    return Color::Of(SystemColor::ButtonFace);
}

int InventoryExportGrid::PixelsPerInch() const {
    return grid_.logicalDpiX() > 0 ? grid_.logicalDpiX() : 96;
}

exporter::Rgb InventoryExportGrid::Resolve(const Color& color) const {
    if (color.kind == Color::Kind::Rgb) {
        return color.rgb;
    }
    if (color.kind == Color::Kind::None) {
        return {0, 0, 0};
    }
    // The grid's palette now: window is its cell background, window text
    // its text, button face its titles.
    QPalette::ColorRole role = QPalette::Base;
    switch (color.system) {
        case SystemColor::Window:
            role = QPalette::Base;
            break;
        case SystemColor::WindowText:
            role = QPalette::Text;
            break;
        case SystemColor::ButtonFace:
            role = QPalette::Button;
            break;
    }
    const QColor value = grid_.palette().color(role);
    return {static_cast<std::uint8_t>(value.red()), static_cast<std::uint8_t>(value.green()),
            static_cast<std::uint8_t>(value.blue())};
}

std::vector<exporter::ExportColumn> InventoryExportGrid::VisibleColumns() const {
    std::vector<exporter::ExportColumn> columns;
    const QHeaderView& header = *grid_.horizontalHeader();
    const int ppi = PixelsPerInch();
    const ExportFont cellFont = FontOf(grid_.font(), ppi);
    const ExportFont titleFont = FontOf(header.font(), ppi);
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (logical < 0 || logical >= InventoryModel::kColumnCount ||
            grid_.isColumnHidden(logical)) {
            continue;
        }
        exporter::ExportColumn column;
        column.caption = InventoryModel::Columns()[static_cast<std::size_t>(logical)].title;
        column.width = grid_.columnWidth(logical);
        column.titleAlignment = Alignment::Center;
        column.titleFont = titleFont;
        column.titleColor = Color::Of(SystemColor::ButtonFace);
        column.font = cellFont;
        column.color = Color::Of(SystemColor::Window);
        column.field = model_.FieldOfColumn(logical);
        if (column.field >= 0) {
            column.fieldKind = KindOf(query_.Fields()[static_cast<std::size_t>(column.field)].type);
        }
        const bool numeric =
            column.fieldKind == FieldKind::Integer || column.fieldKind == FieldKind::Float;
        column.alignment = numeric ? Alignment::Right : Alignment::Left;
        columns.push_back(std::move(column));
    }
    return columns;
}

void InventoryExportGrid::DisableControls() {
    grid_.setUpdatesEnabled(false);
}

void InventoryExportGrid::EnableControls() {
    grid_.setUpdatesEnabled(true);
}

void InventoryExportGrid::SavePosition() {
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

void InventoryExportGrid::RestorePosition() {
    if (current_ && query_.Active()) {
        query_.GotoBookmark(*current_);
    }
    dataSetChanged_();
    grid_.verticalScrollBar()->setValue(verticalScroll_);
    grid_.horizontalScrollBar()->setValue(horizontalScroll_);
}

void InventoryExportGrid::First() {
    query_.First();
}

void InventoryExportGrid::Next() {
    query_.Next();
}

bool InventoryExportGrid::Eof() const {
    return query_.Eof();
}

exporter::CellValue InventoryExportGrid::Value(const exporter::ExportColumn& column) const {
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
