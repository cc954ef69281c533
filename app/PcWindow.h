#pragma once
// The window of one PC: what is known of it, one tab per side of it (its
// values, its monitors, its history, and whatever tabs are added), made
// from the factories it is given. Titled with the PC's name, user and MAC.
// PcWindows keeps one such window per PC and tells it when reports for
// its PC arrive.

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "PcWindowTab.h"

class QTabWidget;

namespace vantrel::app {

class PcWindow : public QWidget {
    Q_OBJECT
  public:
    // A window of its own above `owner`, which it closes with.
    PcWindow(QWidget* owner, const PcWindowTabContext& context,
             const std::vector<PcWindowTabFactory>& factories);

    // Shows `pc` in every tab, read now, and titles the window with it.
    // `rowid` is its row of table ip (0: not stored yet).
    void ShowPc(const PcWindowSubject& pc, std::int64_t rowid);
    const PcWindowSubject& Subject() const { return subject_; }
    std::int64_t Rowid() const { return rowid_; }

    // Brings the tab titled `title` (GBK) to the front; false when there is
    // none such.
    bool ShowTab(std::string_view title);
    std::size_t TabCount() const { return tabs_.size(); }
    PcWindowTab& Tab(std::size_t index) const { return *tabs_.at(index); }
    // The tab titled `title` (GBK); null when none.
    PcWindowTab* TabTitled(std::string_view title) const;
    QTabWidget& Pages() const { return *pages_; }

    // "PC名 …，使用者 …，MAC …" (GBK); long values cut.
    static std::string Caption(const PcWindowSubject& pc);

  signals:
    // A tab wrote what it edits of the PC keyed `key`.
    void Saved(const std::string& key);

  private:
    QTabWidget* pages_;
    std::vector<PcWindowTab*> tabs_;  // children of pages_
    PcWindowSubject subject_;
    std::int64_t rowid_ = 0;
};

}  // namespace vantrel::app
