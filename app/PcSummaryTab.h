#pragma once
// 概况, the first tab of a PC's window: the PC's seventeen values titled as
// the grid titles them, then what its collector told of the machine (maker,
// model, serial numbers, UUID, asset tag), the makers of its network cards,
// the MACs it is known by, and when it was last online and last reported.
// One row per value; Ctrl+C copies the chosen rows.

#include <functional>
#include <string>

#include "PcWindowTab.h"

namespace vantrel::inventory {
class NicMakers;
}

namespace vantrel::app {

class PcWindowTable;

class PcSummaryTab : public PcWindowTab {
    Q_OBJECT
  public:
    // The makers' registry as it is when a PC is shown; null: none loaded.
    using MakersSource = std::function<const inventory::NicMakers*()>;

    PcSummaryTab(QWidget* parent, store::InventoryDatabase& connection, MakersSource makers);

    std::string Title() const override;
    void ShowPc(const PcWindowSubject& pc) override;

    PcWindowTable& Values() const { return *values_; }
    // The value shown under `title` (GBK); "" when no row has that title.
    std::string ValueOf(std::string_view title) const;

    static PcWindowTabFactory Factory(MakersSource makers);

  private:
    store::InventoryDatabase& connection_;
    MakersSource makers_;
    PcWindowTable* values_;
};

}  // namespace vantrel::app
