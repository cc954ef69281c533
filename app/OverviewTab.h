#pragma once
// The overview tab 统计概况: cards with the inventory's counts along the
// top, a chart per column the administrator asks about below, and 保存图片.
// The counts are made off the main thread from one read of the store; a
// click on a card, bar or slice hands the choice to the inventory tab.

#include <QObject>
#include <array>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FilterCondition.h"
#include "InventoryOverview.h"
#include "LocalClock.h"
#include "QtTask.h"

class QChart;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QWidget;

namespace vantrel::store {
class InventoryDatabase;
}  // namespace vantrel::store

namespace vantrel::inventory {
class NicMakers;
}  // namespace vantrel::inventory

namespace vantrel::app {

class OverviewSoftwareCards;
class TabHost;

// A click's choice: the rows the inventory tab is to show, under the
// counts' rules, with a description of what was chosen.
struct OverviewChoice {
    store::FilterCondition condition;
};

class OverviewTab : public QObject {
    Q_OBJECT
  public:
    using DrillDown = std::function<void(const OverviewChoice&)>;

    // Adds the page to `pages`. The counts read through `connection`;
    // `makers` must outlive the tab.
    OverviewTab(QTabWidget& pages, store::InventoryDatabase& connection,
                const inventory::NicMakers& makers, TabHost& host, system::LocalClock clock,
                DrillDown drillDown);
    // Waits for a count in progress.
    ~OverviewTab() override;
    OverviewTab(const OverviewTab&) = delete;
    OverviewTab& operator=(const OverviewTab&) = delete;

    // The inventory changed as a whole (refresh, show all, save, import):
    // counts anew now when the tab is shown, else when it is next shown.
    void InventoryChanged();
    // Reports were stored: while shown, counts anew at most every 2 s.
    void ReportsArrived();
    // Counts anew now (a count in progress is followed by one more).
    void Refresh();
    // 保存图片: the page as a PNG file chosen in the save dialog.
    void SaveImage();

    QWidget* Page() const { return page_; }
    // A count is in progress.
    bool Counting() const { return counting_; }
    // The counts shown; waits for a count in progress first (tests).
    const inventory::Overview& Shown();
    // The chart of a dimension (Department ... NicMaker, Model).
    QChart* Chart(inventory::Dimension dimension) const;
    QPushButton* Card(inventory::Dimension dimension) const;
    OverviewSoftwareCards& SoftwareCards() const { return *softwareCards_; }
    bool ShowsHint(inventory::Dimension dimension) const;
    // The choice of a bucket, as a click on it makes it.
    void ChooseBucket(inventory::Dimension dimension, std::size_t index);
    void ChooseCard(inventory::Dimension card);

    static constexpr int kReportRefreshMs = 2000;

  private:
    struct Result;
    struct ChartSlot {
        inventory::Dimension dimension;
        QStackedWidget* stack = nullptr;
        QChart* chart = nullptr;
        QLabel* hint = nullptr;
        std::vector<inventory::OverviewBucket> buckets;
    };

    void CreateControls();
    bool IsShown() const;
    void StartCount();
    void ShowResult(const Result& result);
    void DrawChart(ChartSlot& slot, const std::vector<inventory::OverviewBucket>& buckets);
    ChartSlot* SlotOf(inventory::Dimension dimension);
    const ChartSlot* SlotOf(inventory::Dimension dimension) const;

    QTabWidget& pages_;
    store::InventoryDatabase& connection_;
    const inventory::NicMakers& makers_;
    TabHost& host_;
    system::LocalClock clock_;
    DrillDown drillDown_;

    QWidget* page_ = nullptr;
    std::array<QPushButton*, 8> cards_{};
    std::shared_ptr<OverviewSoftwareCards> softwareCards_;
    std::vector<ChartSlot> charts_;
    QLabel* statusLabel_ = nullptr;
    QPushButton* saveImageButton_ = nullptr;
    QTimer* reportTimer_ = nullptr;

    inventory::Overview shown_;
    std::shared_ptr<const inventory::OverviewRules> rules_;
    std::shared_ptr<const inventory::OverviewRules> retired_;
    bool stale_ = true;
    bool counting_ = false;
    bool again_ = false;
    std::chrono::steady_clock::time_point lastCount_{};
    QtTask<Result> worker_;
};

}  // namespace vantrel::app
