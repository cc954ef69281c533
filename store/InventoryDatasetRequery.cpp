// InventoryDataset: the pending batch laid over the rows of a re-query.
#include <unordered_map>

#include "Gbk.h"
#include "InventoryDatabase.h"
#include "InventoryDatasetImpl.h"
#include "MacMove.h"

namespace vantrel::store {

namespace {

bool SameValue(const Row& a, const Row& b, std::size_t field) {
    return a.IsNull(field) == b.IsNull(field) && a.Text(field) == b.Text(field);
}

// Makes `fresh`, the row as the database holds it now, carry the pending
// change `mine` of the same row. The cells the administrator changed stay
// on top. Their basis stays the value first loaded, so that a save still
// notices a change underneath, unless the last save found one: then the
// database's value is the new basis and the next save writes over it.
void Rebase(DatasetRow& mine, DatasetRow& fresh) {
    fresh.id = mine.id;
    fresh.conflict = false;
    if (mine.state == RecordState::Deleted) {
        fresh.state = RecordState::Deleted;
        return;
    }
    std::vector<FieldValue> values = fresh.values.Values();
    std::vector<FieldValue> basis = values;
    const Row& loaded = mine.Loaded();
    for (std::size_t f = 0; f < values.size(); ++f) {
        if (!SameValue(mine.values, loaded, f)) {
            values[f] = mine.values.Get(f);
            if (!mine.conflict) {
                basis[f] = loaded.Get(f);
            }
        }
    }
    if (values == basis) {
        fresh.values = Row(values);  // the database already holds the change
        return;
    }
    fresh.state = RecordState::Modified;
    fresh.values = Row(values);
    fresh.loaded = Row(basis);
}

}  // namespace

bool InventoryDataset::Impl::MovedTo(const Row& loaded, const Row& now, std::size_t mac) {
    if (loaded.IsNull(mac) || now.IsNull(mac)) {
        return false;
    }
    auto guard = connection->Lock();
    return MacMove::Moved(connection->Handle(), loaded.Text(mac), now.Text(mac));
}

void InventoryDataset::Impl::Overlay(std::vector<DatasetRow> old) {
    // The loaded row is still there while its rowid holds the mac it was
    // loaded with, or the MAC its PC moved to from that one (a report came
    // by another card); else it is gone, whatever holds its rowid now.
    int mac = -1;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        mac = text::EqualsIgnoringAsciiCase(fields[f].name, "mac") ? static_cast<int>(f) : mac;
    }
    std::unordered_map<std::int64_t, std::size_t> pending;
    for (std::size_t i = 0; i < old.size(); ++i) {
        RecordState state = old[i].state;
        if (state == RecordState::Modified || state == RecordState::Deleted) {
            pending.emplace(old[i].rowid, i);
        }
    }
    for (DatasetRow& record : records) {
        auto found = pending.find(record.rowid);
        if (found == pending.end()) {
            continue;
        }
        DatasetRow& mine = old[found->second];
        const auto macField = static_cast<std::size_t>(mac);
        if (mac < 0 || SameValue(mine.Loaded(), record.values, macField) ||
            MovedTo(mine.Loaded(), record.values, macField)) {
            Rebase(mine, record);
            pending.erase(found);
        }
    }
    for (DatasetRow& record : old) {
        // A deletion of a row that is gone has nothing left to do. An edit
        // of one stays, so that a save reports it instead of the edit
        // silently disappearing; once a save has, it becomes a new row.
        const bool gone = pending.count(record.rowid) != 0;
        if (record.state == RecordState::Modified && gone && record.conflict) {
            record.state = RecordState::Inserted;
            record.loaded = Row();
            record.conflict = false;
        }
        if (record.state == RecordState::Inserted ||
            (record.state == RecordState::Modified && gone)) {
            records.push_back(std::move(record));
        }
    }
}

}  // namespace vantrel::store
