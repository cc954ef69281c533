#include "PcWindows.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "Gbk.h"
#include "PcRecord.h"
#include "RecordSearch.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

PcWindowSubject SubjectOf(const store::PcRow& row) {
    using protocol::IpColumnId;
    return {row.Key(), row.Text(IpColumnId::mac), row.Text(IpColumnId::pcname),
            row.Text(IpColumnId::username)};
}

bool SameKey(std::string_view a, std::string_view b) {
    return store::KeyOfSearch(a) == store::KeyOfSearch(b);
}

}  // namespace

PcWindows::PcWindows(const PcWindowTabContext& context) : context_(context) {}

PcWindows::~PcWindows() {
    for (const QPointer<PcWindow>& window : windows_) {
        delete window.data();
    }
}

void PcWindows::AddTab(PcWindowTabFactory factory) {
    factories_.push_back(std::move(factory));
}

void PcWindows::Prune() {
    std::erase_if(windows_, [](const QPointer<PcWindow>& window) { return window.isNull(); });
}

std::vector<PcWindow*> PcWindows::OpenWindows() const {
    std::vector<PcWindow*> open;
    for (const QPointer<PcWindow>& window : windows_) {
        if (!window.isNull()) {
            open.push_back(window.data());
        }
    }
    return open;
}

PcWindow* PcWindows::Find(std::string_view key) const {
    for (const QPointer<PcWindow>& window : windows_) {
        if (!window.isNull() && SameKey(window->Subject().key, key)) {
            return window.data();
        }
    }
    return nullptr;
}

std::optional<PcWindowSubject> PcWindows::SubjectOfRow(std::int64_t rowid) const {
    const std::optional<store::PcRow> row = store::PcRecord(context_.connection).RowOf(rowid);
    if (!row) {
        return std::nullopt;
    }
    return SubjectOf(*row);
}

PcWindow& PcWindows::Open(QWidget* owner, const PcWindowSubject& pc, std::string_view tab) {
    Prune();
    PcWindow* window = Find(pc.key);
    if (window == nullptr) {
        window = new PcWindow(owner, context_, factories_);
        windows_.emplace_back(window);
        connect(window, &PcWindow::Saved, this, &PcWindows::Saved);
        // The row as stored gives the rowid the window follows reports by.
        const std::optional<store::PcRow> row = store::PcRecord(context_.connection).RowOf(pc.key);
        window->show();
        window->ShowPc(pc, row ? row->rowid : 0);
    }
    if (!tab.empty()) {
        window->ShowTab(tab);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}

void PcWindows::Reread(PcWindow& window) {
    PcWindowSubject pc = window.Subject();
    std::int64_t rowid = window.Rowid();
    if (rowid == 0) {
        // Opened before its row was saved: found by its key once it is.
        const std::optional<store::PcRow> row = store::PcRecord(context_.connection).RowOf(pc.key);
        rowid = row ? row->rowid : 0;
    }
    if (rowid != 0) {
        if (std::optional<PcWindowSubject> stored = SubjectOfRow(rowid)) {
            pc = std::move(*stored);
        }
    }
    window.ShowPc(pc, rowid);
}

void PcWindows::Take(const std::vector<store::WrittenRow>& rows) {
    Prune();
    if (windows_.empty()) {
        return;
    }
    std::unordered_set<std::int64_t> rowids;
    std::unordered_set<std::string> keys;
    for (const store::WrittenRow& row : rows) {
        rowids.insert(row.rowid);
        keys.insert(store::KeyOfSearch(row.values.mac));
    }
    for (const QPointer<PcWindow>& window : windows_) {
        if (window.isNull()) {
            continue;
        }
        const bool mine = (window->Rowid() != 0 && rowids.count(window->Rowid()) != 0) ||
                          keys.count(store::KeyOfSearch(window->Subject().key)) != 0;
        if (mine) {
            PcWindow* shown = window.data();
            context_.host.RunHandler([this, shown] { Reread(*shown); });
        }
    }
}

void PcWindows::Refresh() {
    Prune();
    for (const QPointer<PcWindow>& window : windows_) {
        if (!window.isNull()) {
            PcWindow* shown = window.data();
            context_.host.RunHandler([this, shown] { Reread(*shown); });
        }
    }
}

}  // namespace vantrel::app
