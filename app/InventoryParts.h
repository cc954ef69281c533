#pragma once
// What the units of the inventory tab share: the dataset, the grid that
// shows it through its model, and the window's host.

namespace vantrel::store {
class InventoryDataset;
}

namespace vantrel::app {

class InventoryGrid;
class InventoryModel;
class TabHost;

struct InventoryParts {
    store::InventoryDataset& query;
    InventoryGrid& grid;
    InventoryModel& model;
    TabHost& host;
};

}  // namespace vantrel::app
