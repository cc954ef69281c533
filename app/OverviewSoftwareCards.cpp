#include "OverviewSoftwareCards.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "Controls.h"

namespace vantrel::app {

namespace {

QString CardStyle(bool red) {
    return QStringLiteral(
               "QPushButton { text-align: left; padding: 6px 12px; border: 1px solid #b8c4d6;"
               " border-radius: 4px; background: #f4f7fb; font-size: 17px;") +
           (red ? QStringLiteral(" color: #c00000; }") : QStringLiteral(" }"));
}

QPushButton* MakeCard(QWidget* parent, const char* name, const char* tip) {
    QPushButton* card = Named(new QPushButton(parent), name);
    card->setMinimumHeight(64);
    card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    card->setStyleSheet(CardStyle(false));
    card->setToolTip(QString::fromUtf8(tip));
    return card;
}

}  // namespace

OverviewSoftwareCards::OverviewSoftwareCards(QWidget* parent, QHBoxLayout& row)
    : short_(
          MakeCard(parent, "licenceShortCard", "安装数超过授权数的软件（在“软件”页设定授权数）。")),
      listed_(MakeCard(parent, "softwareListCard",
                       "采集程序送来了软件清单的电脑 / 全部电脑；其余电脑还需运行一次采集程序。")) {
    row.addWidget(short_);
    row.addWidget(listed_);
    Show({}, 0);
}

store::SoftwareCounts OverviewSoftwareCards::Read(store::InventoryDatabase& connection) {
    try {
        return store::ReadSoftwareCounts(connection);
    } catch (const std::exception&) {
        return {};
    }
}

void OverviewSoftwareCards::Show(const store::SoftwareCounts& counts, std::size_t allPcs) {
    short_->setText(QStringLiteral("%1\n").arg(counts.shortPrograms) +
                    QString::fromUtf8("授权不足的软件"));
    if (counts.shortPrograms > 0) {
        short_->setStyleSheet(short_->styleSheet() +
                              QStringLiteral("QPushButton { color: #c00000; }"));
    }
    listed_->setText(QStringLiteral("%1 / %2\n").arg(counts.listedPcs).arg(allPcs) +
                     QString::fromUtf8("有软件清单的电脑"));
}

}  // namespace vantrel::app
