#pragma once
// DBGridEh1 and ADOQuery1 as the export walk reads them: the visible
// columns with their captions, current widths, fonts and colours, the
// records of the dataset, and the grid's position kept across the walk.

#include <functional>
#include <optional>

#include "TADOQuery1.h"
#include "TExportGrid.h"

class QTableView;

namespace vantrel::app {

class TInventoryModel;

class TInventoryExportGrid : public exporter::TExportGrid {
  public:
    // `dataSetChanged` shows the dataset anew in the grid (the window's
    // DataSetChanged); it runs when the position is restored.
    TInventoryExportGrid(QTableView& grid, TInventoryModel& model, store::TADOQuery1& query,
                         std::function<void()> dataSetChanged);

    std::string Name() const override;
    exporter::TGridLook Look() const override;
    exporter::TColor FixedColor() const override;
    int PixelsPerInch() const override;
    exporter::TRgb Resolve(const exporter::TColor& color) const override;
    std::vector<exporter::TExportColumn> VisibleColumns() const override;

    void DisableControls() override;
    void EnableControls() override;
    void SavePosition() override;
    void RestorePosition() override;

    void First() override;
    void Next() override;
    bool Eof() const override;
    exporter::TFieldValue Value(const exporter::TExportColumn& column) const override;

  private:
    QTableView& grid_;
    TInventoryModel& model_;
    store::TADOQuery1& query_;
    std::function<void()> dataSetChanged_;
    std::optional<store::Bookmark> current_;
    int verticalScroll_ = 0;
    int horizontalScroll_ = 0;
};

}  // namespace vantrel::app
