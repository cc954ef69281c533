#pragma once
// 显示器, a tab of a PC's window: one row per monitor the PC has reported,
// connected ones first. Maker, model, serial (both the text and the numeric
// one where they differ), size and diagonal, year of manufacture, the days
// of its first and last report, and whether it is still connected; an
// unplugged one is greyed with the date it was last reported, a damaged
// EDID says so. What is shown is decoded from the stored EDID each time, so
// a newer maker list shows at once.

#include <string>

#include "PcRecord.h"
#include "PcWindowTab.h"

namespace vantrel::app {

class PcWindowTable;

class PcMonitorTab : public PcWindowTab {
    Q_OBJECT
  public:
    PcMonitorTab(QWidget* parent, store::InventoryDatabase& connection);

    std::string Title() const override;
    void ShowPc(const PcWindowSubject& pc) override;

    PcWindowTable& Monitors() const { return *monitors_; }

    // The cells of one monitor's row, GBK, in the table's column order.
    static std::vector<std::string> CellsOf(const store::PcMonitor& monitor);

    static PcWindowTabFactory Factory();

  private:
    store::InventoryDatabase& connection_;
    PcWindowTable* monitors_;
};

}  // namespace vantrel::app
