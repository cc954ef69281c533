#pragma once
// The print preview of the inventory grid (打印): the pages as GridPages
// lays them out, painted as they come into view, with the tool bar to turn
// pages, zoom, print on a printer the system knows or save a PDF file.
// Printing runs in slices with a progress box that can stop it.

#include <QDialog>
#include <memory>
#include <string>

#include "GridPages.h"

class QLabel;
class QSpinBox;
class QPrinter;

namespace vantrel::app {

class PagePreviewView;
class TabHost;

class GridPreviewDialog : public QDialog {
    Q_OBJECT
  public:
    GridPreviewDialog(QWidget* parent, TabHost& host, std::unique_ptr<GridPages> pages);
    ~GridPreviewDialog() override;

    PagePreviewView& View() const { return *view_; }
    const GridPages& Pages() const { return *pages_; }

    // 打印…: asks for a printer and prints every page.
    void PrintOnPrinter();
    // 导出PDF…: asks for a file and writes every page into it; a box names
    // the file afterwards.
    void SavePdf();
    // Prints every page to a printer already set up; false when stopped.
    bool PrintTo(QPrinter& printer);

  private:
    TabHost& host_;
    std::unique_ptr<GridPages> pages_;
    PagePreviewView* view_;
    QSpinBox* pageBox_;
};

}  // namespace vantrel::app
