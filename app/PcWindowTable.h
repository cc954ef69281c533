#pragma once
// The read-only table the tabs of a PC's window show their values in:
// whole rows are selected, and Ctrl+C copies the selected cells as text,
// a tab between cells and a line break between rows, as a spreadsheet
// takes them.

#include <QTableWidget>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::app {

class PcWindowTable : public QTableWidget {
    Q_OBJECT
  public:
    // `titles` are GBK; `widths` in pixels, one per column (0: stretch).
    PcWindowTable(QWidget* parent, const std::vector<std::string_view>& titles,
                  const std::vector<int>& widths);

    // Appends a row of GBK cells; returns its index.
    int AddRow(const std::vector<std::string>& cells);
    // Sizes every column but the last to its contents, at most `maxWidth`
    // pixels; the last takes the rest.
    void FitColumns(int maxWidth = 360);
    // Draws a row's text in grey: what no longer holds (a monitor unplugged).
    void GreyRow(int row);
    // The text of a cell as GBK; "" out of the table.
    std::string CellText(int row, int column) const;
    // The selected cells as the clipboard gets them (the current cell when
    // nothing is selected).
    QString SelectionText() const;
    void CopySelection() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace vantrel::app
