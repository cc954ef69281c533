#pragma once
// The inventory dataset behind the grid: a client-side copy of
// "select * from ip" with filter, sort and a pending batch of changes that
// save batch writes in one transaction. Main thread only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FilterCondition.h"
#include "ReportStore.h"
#include "StoreTypes.h"

namespace vantrel::store {

class InventoryDatabase;
class Row;

class InventoryDataset {
  public:
    explicit InventoryDataset(InventoryDatabase& connection);
    ~InventoryDataset();
    InventoryDataset(const InventoryDataset&) = delete;
    InventoryDataset& operator=(const InventoryDataset&) = delete;

    // Runs "select * from ip" and loads every row. Throws StoreError.
    void Open();
    bool Active() const;
    void Close();
    // Re-runs the select; pending changes are laid over the fresh rows and
    // the sort in force is kept. A changed row shows the fresh values with
    // the administrator's changed cells on top; for a row the last save
    // left unsaved, the fresh values become the basis the next save checks
    // against (and one that is gone becomes a new row). When reading fails
    // the dataset closes.
    void Requery();

    // Shows the rows `condition` chooses (every row for the default one),
    // by the values loaded or posted last; it stays through Requery. A
    // condition equal to the one in force does nothing. One naming a field
    // the table lacks throws StoreError and leaves the filter in force.
    void SetFilter(FilterCondition condition);
    const FilterCondition& Filter() const;
    // Ascending, stable, nulls first, text compared as bytes except that
    // runs of digits compare by value (AppendSortKey).
    void SetSort(std::string_view fieldName);
    const std::string& Sort() const;

    // The view: the loaded rows that pass the filter, in sort order.
    std::size_t RecordCount() const;
    const std::vector<FieldDef>& Fields() const;
    // Index of a field by name, case ignored; -1 when none.
    int FieldIndex(std::string_view name) const;
    // Value of row `row` of the view; throws StoreError when out of range.
    FieldValue Value(std::size_t row, std::size_t field) const;
    // Text a grid shows for the value ("" for null).
    std::string DisplayText(std::size_t row, std::size_t field) const;

    // Current row of the view; -1 on an empty view.
    long long RecNo() const;
    void SetRecNo(std::size_t row);
    void First();
    void Next();
    bool Eof() const;
    Bookmark GetBookmark() const;
    void GotoBookmark(Bookmark mark);

    // Edits of the current row. SetValue starts an edit when none is in
    // progress; EndEdit posts a changed row and drops an untouched new row.
    void SetValue(std::size_t field, FieldValue value);
    bool Editing() const;
    void EndEdit();
    // Ends an edit in progress, adds an empty new row at the end of the
    // view, being edited, and makes it current.
    void Append();
    // Drops an unposted new row, or marks the current row deleted. On an
    // empty view throws "Cannot perform this operation on an empty dataset".
    void Delete();

    bool HasPendingChanges() const;

    // What the grid marks. A row of the view is new (not yet in the
    // database), modified, or unchanged; the edit in progress counts.
    enum class RowStatus { Unchanged, Modified, Inserted };
    RowStatus Status(std::size_t row) const;
    // Whether the shown value differs from the loaded one; always for new rows.
    bool FieldChanged(std::size_t row, std::size_t field) const;
    // Whether the edit in progress has had a value set.
    bool Modified() const;
    // Rows a save would write: modified, new and deleted ones, the edit in
    // progress included; an untouched new row does not count.
    std::size_t PendingCount() const;
    // Writes every pending change in one transaction. A changed row whose
    // changed columns no longer hold the loaded values in the database (or
    // that is gone) is left pending, as is a deleted row whose mac changed
    // there; the rest is written all the same, and BatchConflictError then
    // names the rows left. On any other failure nothing is written, the
    // pending batch is kept and StoreError is thrown.
    void UpdateBatch();
    // Abandons the edit and every pending change.
    void CancelBatch();

    // Puts the values reports stored (WrittenRow's, all but the MAC) into
    // the loaded rows with those rowids, so that the grid follows reports
    // without a re-query. A row with a pending change (changed, deleted,
    // left by a save, being edited) or the view's row `keepRow` is left as
    // it is; the save's check still applies to it. Which rows the view
    // shows and their order stay as they are. Returns the view rows whose
    // values changed, ascending. Nothing happens while closed.
    std::vector<std::size_t> ApplyStored(const std::vector<WrittenRow>& rows,
                                         long long keepRow = -1);
    // How often the rows were read from the database (Open, Requery).
    std::uint64_t Loads() const;
    // Removes from `rowids` those of rows the dataset has loaded.
    void DropLoadedRowids(std::vector<std::int64_t>& rowids) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::store
