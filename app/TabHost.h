#pragma once
// What a tab of the main window is given by the window that holds it: the
// dialogs, the event log, and the way every handler runs.

#include <functional>
#include <string>

namespace vantrel::app {

class Dialogs;

class TabHost {
  public:
    virtual ~TabHost() = default;
    virtual Dialogs& Dialog() = 0;
    // Appends one line (GBK) to the event log.
    virtual void AppendLog(const std::string& line) = 0;
    // Runs a handler; an error escaping it goes to the error box and the
    // window goes on with whatever state the handler reached.
    virtual void RunHandler(const std::function<void()>& handler) = 0;
    // The inventory was read or written as a whole (refresh, show all,
    // save, import): what is counted from it is counted anew.
    virtual void InventoryReloaded() {}
};

}  // namespace vantrel::app
