#pragma once
// The overview's two cards about installed programs: programs short of
// licences, and the PCs whose collector sent a list against all PCs (so
// that the administrator sees who still has to run a collector).

#include <cstddef>

#include "SoftwareCatalog.h"

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace vantrel::app {

class OverviewSoftwareCards {
  public:
    // Adds the cards to the end of `row`.
    OverviewSoftwareCards(QWidget* parent, QHBoxLayout& row);

    // Read off the main thread with the overview's counts; zero counts
    // when the store cannot tell (the overview shows its own error).
    static store::SoftwareCounts Read(store::InventoryDatabase& connection);
    void Show(const store::SoftwareCounts& counts, std::size_t allPcs);

    QPushButton* ShortCard() const { return short_; }
    QPushButton* ListedCard() const { return listed_; }

  private:
    QPushButton* short_ = nullptr;
    QPushButton* listed_ = nullptr;
};

}  // namespace vantrel::app
