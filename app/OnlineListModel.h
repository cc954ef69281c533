#pragma once
// The online list view's model of the online list: list row 0 is the fixed header row
// (the view's horizontal header), list rows 1 .. count-1 are the model's rows
// 0 .. count-2, the last of them the empty slot.

#include <QAbstractTableModel>
#include <QColor>
#include <functional>

#include "OnlineList.h"

namespace vantrel::inventory {
class NicMakers;
}

namespace vantrel::app {

class OnlineListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit OnlineListModel(const scan::OnlineList& list, QObject* parent = nullptr);

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

    // The MAC column tells the network card's maker as a tooltip; `makers`
    // must outlive the model (null: no tooltip).
    void SetMakers(const inventory::NicMakers* makers) { makers_ = makers; }

  private:
    const scan::OnlineList& list_;
    const inventory::NicMakers* makers_ = nullptr;
    int rows_;
    std::function<bool(std::size_t)> unreported_;
};

}  // namespace vantrel::app
