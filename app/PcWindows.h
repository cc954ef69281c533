#pragma once
// The PCs' windows: at most one per PC. Opening a PC's window again raises
// the one open; reports for a PC that has a window open show in it, and a
// MAC move (the PC's row taking a new MAC) moves the window with its row.
// The tabs come from the factories added, in their order.

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PcWindow.h"
#include "PcWindowTab.h"
#include "ReportStore.h"

namespace vantrel::app {

class PcWindows : public QObject {
    Q_OBJECT
  public:
    explicit PcWindows(const PcWindowTabContext& context);
    // Closes every window.
    ~PcWindows() override;
    PcWindows(const PcWindows&) = delete;
    PcWindows& operator=(const PcWindows&) = delete;

    // A tab every window opened from now on has, after those added before.
    void AddTab(PcWindowTabFactory factory);
    std::size_t TabFactoryCount() const { return factories_.size(); }

    // The window of `pc` (by its key), opened above `owner` unless open,
    // raised, with the tab titled `tab` (GBK) in front when one is named.
    PcWindow& Open(QWidget* owner, const PcWindowSubject& pc, std::string_view tab = {});
    // The open window of a PC's key; null when none.
    PcWindow* Find(std::string_view key) const;
    std::vector<PcWindow*> OpenWindows() const;

    // Reports wrote these rows: the windows of their PCs read them anew.
    void Take(const std::vector<store::WrittenRow>& rows);
    // Reads every open window anew (after a save or re-query).
    void Refresh();

  signals:
    // A window's tab wrote what it edits of the PC keyed `key` (e.g. 保存
    // in its 资产 tab).
    void Saved(const std::string& key);

  private:
    // The subject of the row `rowid` as the store holds it now; nullopt
    // when the row is gone.
    std::optional<PcWindowSubject> SubjectOfRow(std::int64_t rowid) const;
    void Reread(PcWindow& window);
    void Prune();

    PcWindowTabContext context_;
    std::vector<PcWindowTabFactory> factories_;
    std::vector<QPointer<PcWindow>> windows_;
};

}  // namespace vantrel::app
