#pragma once
// 打印标签… in the grid's context menu: the labels of the selected rows
// (or of the row the menu was opened on) in a print preview, with the
// choice of label sheet in the preview's tool bar, remembered for the next
// time. The preview prints to any printer the system knows or to a PDF file.

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "InventoryParts.h"
#include "LabelLayout.h"
#include "LabelPainter.h"

class QAction;
class QMenu;
class QPrinter;
#include <QPrintPreviewDialog>

namespace vantrel::store {
class InventoryDatabase;
}

namespace vantrel::app {

class LabelPrinting : public QObject {
    Q_OBJECT
  public:
    // Adds the item to `menu`. The asset numbers are read through
    // `connection`; `settingsFile` empty: the user's own settings,
    // otherwise that INI file (tests).
    LabelPrinting(const InventoryParts& parts, store::InventoryDatabase& connection, QMenu& menu,
                  QString settingsFile = {});
    ~LabelPrinting() override;

    QAction* PrintItem() const { return printItem_; }
    // The labels of the selected rows, top to bottom; of the current row
    // when none is selected. Throws std::runtime_error (GBK) when a label's
    // code cannot hold its text.
    std::vector<LabelData> SelectedLabels() const;
    // Opens the preview of the selected rows' labels (not waiting for it).
    void ShowPreview();
    // The open preview; null when none is open.
    QPrintPreviewDialog* Preview() const { return preview_.data(); }

    // The sheet chosen last; 3 × 8 when none was.
    LabelSheet ChosenSheet() const;
    void ChooseSheet(LabelSheet sheet);

  private:
    InventoryParts parts_;
    store::InventoryDatabase& connection_;
    QString settingsFile_;
    QAction* printItem_;
    std::unique_ptr<QPrinter> printer_;
    QPointer<QPrintPreviewDialog> preview_;
    std::vector<LabelData> labels_;
};

}  // namespace vantrel::app
