#pragma once
// Where the user is in the inventory grid (the current cell, the selected
// cells and how far it is scrolled), taken before the grid shows its rows
// anew and put back afterwards. Rows are found again by their PC's key
// where they were or one place above or below, as when one row was hidden
// or shown again (a PC retired or back in use); a row not found there
// leaves its place to the row that took it.

#include <QItemSelectionModel>
#include <string>
#include <vector>

namespace vantrel::store {
class InventoryDataset;
}

namespace vantrel::app {

class InventoryGrid;

class GridPlace {
  public:
    static GridPlace Take(const InventoryGrid& grid, const store::InventoryDataset& query);
    void Restore(InventoryGrid& grid, const store::InventoryDataset& query) const;

  private:
    struct Row {
        int row = -1;
        std::string key;
    };
    struct Range {
        Row top;
        Row bottom;
        int left = 0;
        int right = 0;
    };

    static Row RowAt(const store::InventoryDataset& query, int row);
    // The row `was` is now at; -1 on an empty view.
    static int Find(const store::InventoryDataset& query, const Row& was);

    Row current_;
    int currentColumn_ = 0;
    std::vector<Range> selection_;
    Row top_;  // the first row in view
    int vertical_ = 0;
    int horizontal_ = 0;
};

}  // namespace vantrel::app
