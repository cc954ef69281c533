#pragma once
// 批量设置资产信息… in the grid's context menu: one field of the asset
// records of the selected rows' PCs set to one value (e.g. 存放位置 =
// 三楼财务室 for twenty PCs), in one transaction with one history entry per
// PC changed, and a line with the count in the event log.

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AssetFields.h"
#include "InventoryParts.h"
#include "IpAsset.h"

class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace vantrel::app {

class AssetBatch : public QObject {
    Q_OBJECT
  public:
    // Adds the item to `menu`, which the grid of `parts` opens; the rows
    // are those selected when it opens (or the row under the mouse when it
    // is not among them). Owned by the menu.
    AssetBatch(const InventoryParts& parts, store::InventoryDatabase& connection, QMenu& menu);

    QAction* Item() const { return item_; }

    // What the administrator chose: a field and its value (GBK, as typed).
    struct Choice {
        inventory::AssetField field;
        std::string value;
    };
    // The question; nullopt when cancelled. Tests answer it.
    using Ask = std::function<std::optional<Choice>(QWidget* parent, std::size_t pcs)>;
    void SetAsk(Ask ask) { ask_ = std::move(ask); }

    // The menu's item: asks, then applies to the rows the menu was opened for.
    void ItemClick();
    // Sets the field of the PCs keyed `keys` and tells the event log how
    // many changed; the grid's greyed and hidden rows follow. Throws the
    // store's errors (nothing is written then).
    std::size_t Apply(const std::vector<std::string>& keys, const Choice& choice);

    // The dialog the menu asks with.
    static std::optional<Choice> AskInDialog(QWidget* parent, std::size_t pcs);

  private:
    void RememberRows(const QPoint& position);

    InventoryParts parts_;
    store::IpAsset assets_;
    QAction* item_;
    Ask ask_;
    std::vector<std::string> keys_;
    std::size_t unsaved_ = 0;  // new rows among them, which have no record yet
};

}  // namespace vantrel::app
