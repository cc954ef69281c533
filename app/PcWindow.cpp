#include "PcWindow.h"

#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>

#include "Controls.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"

namespace vantrel::app {

PcWindow::PcWindow(QWidget* owner, const PcWindowTabContext& context,
                   const std::vector<PcWindowTabFactory>& factories)
    : QWidget(owner, Qt::Window), pages_(Named(new QTabWidget(this), "pcPages")) {
    setObjectName(QStringLiteral("PcWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 540);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pages_);
    for (const PcWindowTabFactory& factory : factories) {
        std::unique_ptr<PcWindowTab> tab = factory(context, pages_);
        if (!tab) {
            continue;
        }
        pages_->addTab(tab.get(), FromGbk(tab->Title()));
        connect(tab.get(), &PcWindowTab::Saved, this, [this] { emit Saved(subject_.key); });
        tabs_.push_back(tab.release());  // pages_ owns it now
    }
}

std::string PcWindow::Caption(const PcWindowSubject& pc) {
    const std::string& kName = u8"PC名 "_gbk;
    const std::string& kUser = u8"，使用者 "_gbk;
    const std::string& kMac = u8"，MAC "_gbk;
    const std::string& kEmpty = u8"（空）"_gbk;
    const std::string& kNoMac = u8"未取得"_gbk;
    const std::string& kEllipsis = u8"…"_gbk;
    // A title holds a line: long values are cut.
    auto shown = [&](const std::string& value, const std::string& none) {
        constexpr std::size_t kMaxBytes = 40;
        if (value.empty()) {
            return none;
        }
        if (value.size() <= kMaxBytes) {
            return value;
        }
        return std::string(text::CutAtCharBoundary(value, kMaxBytes)) + kEllipsis;
    };
    return kName + shown(pc.pcname, kEmpty) + kUser + shown(pc.username, kEmpty) + kMac +
           shown(pc.mac, kNoMac);
}

void PcWindow::ShowPc(const PcWindowSubject& pc, std::int64_t rowid) {
    subject_ = pc;
    rowid_ = rowid;
    setWindowTitle(FromGbk(Caption(pc)));
    // A tab that cannot read leaves the others to show what they read; the
    // first failure is told afterwards.
    std::exception_ptr failure;
    for (PcWindowTab* tab : tabs_) {
        try {
            tab->ShowPc(pc);
        } catch (...) {
            failure = failure ? failure : std::current_exception();
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

PcWindowTab* PcWindow::TabTitled(std::string_view title) const {
    for (PcWindowTab* tab : tabs_) {
        if (tab->Title() == title) {
            return tab;
        }
    }
    return nullptr;
}

bool PcWindow::ShowTab(std::string_view title) {
    PcWindowTab* tab = TabTitled(title);
    if (tab != nullptr) {
        pages_->setCurrentWidget(tab);
    }
    return tab != nullptr;
}

}  // namespace vantrel::app
