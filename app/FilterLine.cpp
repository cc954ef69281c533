#include "FilterLine.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QToolButton>

#include "Controls.h"
#include "GbkText.h"

namespace vantrel::app {

FilterLine::FilterLine(QWidget* parent, std::function<void()> end)
    : QFrame(parent),
      words_(Named(new QLabel(this), "filterWords")),
      endButton_(Named(new QToolButton(this), "endFilterButton")) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette tint = palette();
    tint.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xCC));
    setPalette(tint);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    // Department names are the administrator's own text: shown as typed.
    words_->setTextFormat(Qt::PlainText);
    words_->setWordWrap(true);
    words_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(words_, 1);
    endButton_->setText(FromUtf8("✕"));
    endButton_->setToolTip(FromUtf8("结束此筛选，显示全部行"));
    endButton_->setAutoRaise(true);
    layout->addWidget(endButton_, 0, Qt::AlignTop);
    connect(endButton_, &QToolButton::clicked, this, [end = std::move(end)] { end(); });
    hide();
}

void FilterLine::Show(const std::string& words) {
    words_->setText(FromGbk(words));
    words_->setToolTip(words_->text());
    show();
}

void FilterLine::Hide() {
    words_->clear();
    words_->setToolTip(QString());
    hide();
}

QString FilterLine::Text() const {
    return words_->text();
}

}  // namespace vantrel::app
