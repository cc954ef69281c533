#pragma once
// StringGrid1's view of the online list: list row 0 is the fixed header row
// (the view's horizontal header), list rows 1 .. count-1 are the model's rows
// 0 .. count-2, the last of them the empty slot.

#include <QAbstractTableModel>
#include <QColor>
#include <functional>

#include "TOnlineList.h"

namespace vantrel::app {

class TOnlineListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit TOnlineListModel(const scan::TOnlineList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Rows of hosts that have never reported are drawn on this background.
    static QColor UnreportedBackground();
    // Tells, by list row, which rows show such a host.
    void SetUnreportedTest(std::function<bool(std::size_t listRow)> test) {
        unreported_ = std::move(test);
    }

    // Call after the list changed: rows added or dropped are announced as
    // such (the scroll position stays) and every cell is read anew.
    void Sync();

  private:
    const scan::TOnlineList& list_;
    int rows_;
    std::function<bool(std::size_t)> unreported_;
};

}  // namespace vantrel::app
