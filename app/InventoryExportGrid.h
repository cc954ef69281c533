#pragma once
// the inventory grid and the dataset as the export walk reads them: the visible
// columns with their captions, current widths, fonts and colours, the
// records of the dataset, and the grid's position kept across the walk.

#include <functional>
#include <optional>

#include "ExportGrid.h"
#include "InventoryDataset.h"

class QTableView;

namespace vantrel::app {

class InventoryModel;

class InventoryExportGrid : public exporter::ExportGrid {
  public:
    // `dataSetChanged` shows the dataset anew in the grid (the window's
    // DataSetChanged); it runs when the position is restored.
    InventoryExportGrid(QTableView& grid, InventoryModel& model, store::InventoryDataset& query,
                        std::function<void()> dataSetChanged);

    std::string Name() const override;
    exporter::GridLook Look() const override;
    exporter::Color FixedColor() const override;
    int PixelsPerInch() const override;
    exporter::Rgb Resolve(const exporter::Color& color) const override;
    std::vector<exporter::ExportColumn> VisibleColumns() const override;

    void DisableControls() override;
    void EnableControls() override;
    void SavePosition() override;
    void RestorePosition() override;

    void First() override;
    void Next() override;
    bool Eof() const override;
    exporter::CellValue Value(const exporter::ExportColumn& column) const override;

  private:
    QTableView& grid_;
    InventoryModel& model_;
    store::InventoryDataset& query_;
    std::function<void()> dataSetChanged_;
    std::optional<store::Bookmark> current_;
    int verticalScroll_ = 0;
    int horizontalScroll_ = 0;
};

}  // namespace vantrel::app
