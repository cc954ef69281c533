#pragma once
// What the window looked like when it was last closed: its size and place,
// the splitter between the tabs and the event log, and the inventory grid's
// column widths, kept with QSettings and put back at the next start.

#include <QString>

class QHeaderView;
class QMainWindow;
class QSplitter;

namespace vantrel::app {

class WindowSettings {
  public:
    // `file` empty: the user's own settings of the program (QSettings'
    // usual place); otherwise that INI file (tests).
    explicit WindowSettings(QString file = {});

    // Puts back what Save kept; what is missing or does not fit (another
    // number of columns, a width of 0) stays as the window made it.
    void Restore(QMainWindow& window, QSplitter& splitter, QHeaderView& columns) const;
    void Save(const QMainWindow& window, const QSplitter& splitter,
              const QHeaderView& columns) const;

  private:
    QString file_;
};

}  // namespace vantrel::app
