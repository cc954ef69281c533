#include "PcHistoryTab.h"

#include <QVBoxLayout>

#include "Controls.h"
#include "GbkLiteral.h"
#include "HistoryWindow.h"

namespace vantrel::app {

PcHistoryTab::PcHistoryTab(QWidget* parent, store::InventoryDatabase& connection, TabHost& host,
                           Restore restore)
    : PcWindowTab(parent), reader_(connection) {
    setObjectName(QStringLiteral("PcHistoryTab"));
    history_ = new HistoryWindow(
        this, host,
        [this, restore = std::move(restore)](const std::vector<store::HistoryEntry>& entries) {
            restore(shown_, entries);
        });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(history_);
}

const std::string& PcHistoryTab::TabTitle() {
    return u8"变更记录"_gbk;
}

std::string PcHistoryTab::Title() const {
    return TabTitle();
}

PcWindowTabFactory PcHistoryTab::Factory(Restore restore) {
    return [restore](const PcWindowTabContext& context, QWidget* parent) {
        return std::make_unique<PcHistoryTab>(parent, context.connection, context.host, restore);
    };
}

void PcHistoryTab::ShowPc(const PcWindowSubject& pc) {
    shown_ = pc;
    history_->ShowPage(reader_.HistoryOf(pc.key, kListedEntries));
}

}  // namespace vantrel::app
