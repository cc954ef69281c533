#pragma once
// What the units of the inventory tab share: the dataset, the grid that
// shows it through its model, and the window's host.

namespace vantrel::store {
class TADOQuery1;
}

namespace vantrel::app {

class TDBGridEh;
class TInventoryModel;
class TTabHost;

struct TInventoryParts {
    store::TADOQuery1& query;
    TDBGridEh& grid;
    TInventoryModel& model;
    TTabHost& host;
};

}  // namespace vantrel::app
