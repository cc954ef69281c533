#pragma once
// 变更记录, a tab of a PC's window: the PC's change history with 恢复原值,
// which puts the chosen old values into the PC's row of the inventory grid
// as pending edits (the restore given by the inventory tab).

#include <functional>
#include <string>
#include <vector>

#include "IpHistory.h"
#include "PcWindowTab.h"

namespace vantrel::app {

class HistoryWindow;

class PcHistoryTab : public PcWindowTab {
    Q_OBJECT
  public:
    // Puts the entries' old values into the row of the PC shown.
    using Restore = std::function<void(const PcWindowSubject& pc,
                                       const std::vector<store::HistoryEntry>& entries)>;

    PcHistoryTab(QWidget* parent, store::InventoryDatabase& connection, TabHost& host,
                 Restore restore);

    std::string Title() const override;
    void ShowPc(const PcWindowSubject& pc) override;

    HistoryWindow& History() const { return *history_; }

    // Newest entries the tab lists.
    static constexpr std::size_t kListedEntries = 1000;
    // "变更记录", GBK: the title the context menu opens the window on.
    static const std::string& TabTitle();

    static PcWindowTabFactory Factory(Restore restore);

  private:
    store::IpHistory reader_;
    PcWindowSubject shown_;
    HistoryWindow* history_;
};

}  // namespace vantrel::app
