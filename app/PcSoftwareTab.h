#pragma once
// The tab 软件 of a PC's window: the programs its collector last listed,
// with version, publisher, install date and bitness, a filter box that
// matches name and publisher, and the date of the list.

#include <vector>

#include "PcWindowTab.h"
#include "SoftwareList.h"

class QLabel;
class QLineEdit;
class QTableWidget;

namespace vantrel::app {

class PcSoftwareTab : public PcWindowTab {
    Q_OBJECT
  public:
    PcSoftwareTab(const PcWindowTabContext& context, QWidget* parent);

    std::string Title() const override;
    void ShowPc(const PcWindowSubject& pc) override;

    // The factory the PC's window is given.
    static PcWindowTabFactory Factory();

    QLabel* ListLabel() const { return listLabel_; }
    QLineEdit* FilterEdit() const { return filterEdit_; }
    QTableWidget* Table() const { return table_; }

  private:
    void Fill();

    store::InventoryDatabase& connection_;
    TabHost& host_;
    std::vector<store::InstalledProgram> programs_;
    QLabel* listLabel_ = nullptr;
    QLineEdit* filterEdit_ = nullptr;
    QTableWidget* table_ = nullptr;
};

}  // namespace vantrel::app
