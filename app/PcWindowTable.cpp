#include "PcWindowTable.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>
#include <map>

#include "GbkText.h"

namespace vantrel::app {

PcWindowTable::PcWindowTable(QWidget* parent, const std::vector<std::string_view>& titles,
                             const std::vector<int>& widths)
    : QTableWidget(parent) {
    setColumnCount(static_cast<int>(titles.size()));
    QStringList labels;
    for (std::string_view title : titles) {
        labels << FromGbk(title);
    }
    setHorizontalHeaderLabels(labels);
    for (std::size_t c = 0; c < widths.size() && c < titles.size(); ++c) {
        if (widths[c] > 0) {
            horizontalHeader()->resizeSection(static_cast<int>(c), widths[c]);
        }
    }
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(22);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setWordWrap(false);
}

int PcWindowTable::AddRow(const std::vector<std::string>& cells) {
    const int row = rowCount();
    setRowCount(row + 1);
    for (std::size_t c = 0; c < cells.size() && static_cast<int>(c) < columnCount(); ++c) {
        auto* cell = new QTableWidgetItem(FromGbk(cells[c]));
        // The whole value, for a cell too narrow to show it.
        cell->setToolTip(cell->text());
        setItem(row, static_cast<int>(c), cell);
    }
    return row;
}

void PcWindowTable::FitColumns(int maxWidth) {
    resizeColumnsToContents();
    for (int c = 0; c + 1 < columnCount(); ++c) {
        horizontalHeader()->resizeSection(c,
                                          std::min(horizontalHeader()->sectionSize(c), maxWidth));
    }
}

void PcWindowTable::GreyRow(int row) {
    for (int c = 0; c < columnCount(); ++c) {
        if (QTableWidgetItem* cell = item(row, c)) {
            cell->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
    }
}

std::string PcWindowTable::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? ToGbk(cell->text()) : std::string();
}

QString PcWindowTable::SelectionText() const {
    std::map<int, std::map<int, QString>> cells;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        cells[index.row()][index.column()] = index.data().toString();
    }
    if (cells.empty() && currentIndex().isValid()) {
        cells[currentIndex().row()][currentIndex().column()] = currentIndex().data().toString();
    }
    QStringList lines;
    for (const auto& [row, columns] : cells) {
        QStringList line;
        for (const auto& [column, value] : columns) {
            line << value;
        }
        lines << line.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void PcWindowTable::CopySelection() const {
    const QString text = SelectionText();
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

void PcWindowTable::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        CopySelection();
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

}  // namespace vantrel::app
