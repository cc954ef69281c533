#pragma once
// The main window's tab 软件: one line per program of the office (name,
// publisher, versions seen, PCs, licences, shortfall), most PCs first,
// filtered by name or publisher, applications only unless 显示全部软件包.
// The counts are made off the main thread whenever the tab is shown. A
// click on a program (or on one of its versions) hands the PCs that have it
// to the inventory tab; 授权数 is edited in place, a licence for several
// programs is set by a pattern (Microsoft Office*); 导出 writes the lines
// shown as .xlsx or .csv.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "FilterCondition.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QWidget;

namespace vantrel::store {
class InventoryDatabase;
struct CatalogLine;
}  // namespace vantrel::store

namespace vantrel::app {

class SoftwareTabModel;
class TabHost;

class SoftwareTab : public QObject {
    Q_OBJECT
  public:
    using DrillDown = std::function<void(const store::FilterCondition&)>;

    // Adds the page to `pages`, after the pages already there.
    SoftwareTab(QTabWidget& pages, store::InventoryDatabase& connection, TabHost& host,
                DrillDown drillDown);
    // Waits for a count in progress.
    ~SoftwareTab() override;
    SoftwareTab(const SoftwareTab&) = delete;
    SoftwareTab& operator=(const SoftwareTab&) = delete;

    // Counts anew (a count in progress is followed by one more).
    void Refresh();
    // The PCs that have the program of line `row` (of `version` when given)
    // shown in the inventory tab.
    void DrillDownTo(int row, std::optional<std::string> version = std::nullopt);
    // 导出: the lines shown, to a file chosen in the save dialog.
    void Export();
    // Sets the seats of the licence named in the pattern box.
    void SetPatternLicence();

    QWidget* Page() const { return page_; }
    SoftwareTabModel& Model() const { return *model_; }
    QTableView* View() const { return view_; }
    QLineEdit* FilterEdit() const { return filterEdit_; }
    QCheckBox* AllPackagesBox() const { return allPackages_; }
    QLineEdit* PatternEdit() const { return patternEdit_; }
    QSpinBox* SeatsBox() const { return seatsBox_; }
    QLabel* StatusLabel() const { return statusLabel_; }
    bool Counting() const { return counting_; }
    // Waits for a count in progress and shows it (tests).
    void WaitForCount();

  private:
    struct Result;
    void CreateControls();
    void StartCount();
    void ShowResult(const std::shared_ptr<Result>& result);
    void ApplyFilter();
    void WriteSeats(const store::CatalogLine& line, std::optional<std::int64_t> seats);
    void ReloadLicences();
    void ChooseVersion(int row);
    void ShowStatus();

    QTabWidget& pages_;
    store::InventoryDatabase& connection_;
    TabHost& host_;
    DrillDown drillDown_;

    QWidget* page_ = nullptr;
    SoftwareTabModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    QLineEdit* filterEdit_ = nullptr;
    QCheckBox* allPackages_ = nullptr;
    QLineEdit* patternEdit_ = nullptr;
    QSpinBox* seatsBox_ = nullptr;
    QPushButton* setLicenceButton_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;

    bool counting_ = false;
    bool again_ = false;
    std::string error_;
    std::thread worker_;
};

}  // namespace vantrel::app
