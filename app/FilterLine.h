#pragma once
// The line above the inventory grid that says, whole, which overview choice
// the grid shows, with ✕ to end it. Hidden while no choice is in force.

#include <QFrame>
#include <functional>
#include <string>

class QLabel;
class QToolButton;

namespace vantrel::app {

class FilterLine : public QFrame {
  public:
    // `end` runs when ✕ is clicked.
    FilterLine(QWidget* parent, std::function<void()> end);

    // Shows the line with `words` (GBK).
    void Show(const std::string& words);
    void Hide();
    bool Shown() const { return !isHidden(); }
    QString Text() const;
    QToolButton* EndButton() const { return endButton_; }

  private:
    QLabel* words_;
    QToolButton* endButton_;
};

}  // namespace vantrel::app
