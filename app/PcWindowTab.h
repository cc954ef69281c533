#pragma once
// One tab of a PC's window: a unit of its own that shows one side of one
// PC (its values, monitors, history, programs, asset record). The window
// makes its tabs from the factories it is given, tells them which PC they
// show and tells them again when a report for the PC arrived or the PC's
// key changed (a MAC move).

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace vantrel::store {
class InventoryDatabase;
}

namespace vantrel::app {

class TabHost;

// The PC a window shows.
struct PcWindowSubject {
    std::string key;       // HistoryKey of its row: its MAC, or the no-mac key
    std::string mac;       // as the row holds it; may be empty
    std::string pcname;    // GBK
    std::string username;  // GBK
};

class PcWindowTab : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    ~PcWindowTab() override = default;

    // The tab's title (GBK), e.g. "概况".
    virtual std::string Title() const = 0;
    // Shows what is known of `pc`, read now. Called when the window opens,
    // when a report for the PC arrived and when its key changed.
    virtual void ShowPc(const PcWindowSubject& pc) = 0;

  signals:
    // The tab wrote what it edits of the PC (e.g. its asset record), so
    // that what shows the PC elsewhere can follow.
    void Saved();
};

// What a tab is made from: the database it reads (and, for tabs that edit,
// writes) and the main window's host (dialogs, event log).
struct PcWindowTabContext {
    store::InventoryDatabase& connection;
    TabHost& host;
};

using PcWindowTabFactory =
    std::function<std::unique_ptr<PcWindowTab>(const PcWindowTabContext& context, QWidget* parent)>;

}  // namespace vantrel::app
