#include "IpTable.h"

#include <sqlite3.h>

#include <algorithm>

#include "Gbk.h"
#include "IdentityTables.h"
#include "IpHistory.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

constexpr const char* kConflict =
    "Row cannot be located for updating: it was changed or deleted since it was loaded";

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// The field type from a declared column type, by SQLite's affinity rules
// with dates and times told apart from numbers.
FieldType TypeOf(std::string_view declaredType) {
    std::string declared = text::AsciiUpper(declaredType);
    if (Contains(declared, "DATE") || Contains(declared, "TIME")) {
        return FieldType::DateTime;
    }
    if (Contains(declared, "INT")) {
        return FieldType::Integer;
    }
    if (Contains(declared, "CHAR") || Contains(declared, "CLOB") || Contains(declared, "TEXT")) {
        return FieldType::Text;
    }
    if (Contains(declared, "REAL") || Contains(declared, "FLOA") || Contains(declared, "DOUB") ||
        Contains(declared, "NUM") || Contains(declared, "DEC")) {
        return FieldType::Float;
    }
    return FieldType::Text;
}

// Appends the name as a quoted identifier.
void AppendQuoted(std::string& sql, const std::string& name) {
    sql += '"';
    for (char c : name) {
        sql += c;
        if (c == '"') {
            sql += '"';
        }
    }
    sql += '"';
}

// Appends "?N".
void AppendParam(std::string& sql, std::size_t number) {
    sql += '?';
    sql += std::to_string(number);
}

// Reads `count` columns from `first` on into `row`, re-using its buffers.
void ReadValues(const SqliteStatement& statement, int first, int count, Row::Builder& row) {
    row.Clear();
    for (int i = 0; i < count; ++i) {
        // The column's value read directly: with the connection opened
        // without SQLite's mutex this is the same as the sqlite3_column_*
        // calls, at a third of their cost on a full load.
        sqlite3_value* value = sqlite3_column_value(statement.Get(), first + i);
        if (sqlite3_value_type(value) == SQLITE_NULL) {
            row.AddNull();
            continue;
        }
        const void* data = sqlite3_value_blob(value);
        int size = sqlite3_value_bytes(value);
        if (data == nullptr || size <= 0) {
            row.Add({});
        } else {
            row.Add({static_cast<const char*>(data), static_cast<std::size_t>(size)});
        }
    }
}

bool Same(const Row& a, const Row& b, std::size_t field) {
    return a.IsNull(field) == b.IsNull(field) && a.Text(field) == b.Text(field);
}

void BindField(SqliteStatement& statement, int index, const Row& row, std::size_t field) {
    if (row.IsNull(field)) {
        statement.BindNull(index);
    } else {
        statement.BindText(index, row.Text(field));
    }
}

// Index of the mac column, -1 when the table has none.
int MacField(const std::vector<FieldDef>& fields) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (text::EqualsIgnoringAsciiCase(fields[f].name, "mac")) {
            return static_cast<int>(f);
        }
    }
    return -1;
}

// " AND <field> IS <its loaded value>" for each of `checked`, compared as
// bytes so that TEXT and BLOB values holding the same bytes are the same;
// parameters from `next` on.
std::string LoadedCheck(const std::vector<FieldDef>& fields,
                        const std::vector<std::size_t>& checked, int next) {
    std::string sql;
    for (std::size_t f : checked) {
        sql += " AND CAST(";
        AppendQuoted(sql, fields[f].name);
        sql += " AS BLOB) IS ";
        AppendParam(sql, static_cast<std::size_t>(next++));
    }
    return sql;
}

void BindLoaded(SqliteStatement& statement, const Row& loaded,
                const std::vector<std::size_t>& checked, int next) {
    for (std::size_t f : checked) {
        if (loaded.IsNull(f)) {
            statement.BindNull(next++);
        } else {
            statement.BindBytes(next++, loaded.Text(f));
        }
    }
}

bool RowExists(sqlite3* db, std::int64_t rowid) {
    SqliteStatement statement(db, "SELECT 1 FROM ip WHERE rowid=?1");
    statement.BindInt64(1, rowid);
    return statement.Step();
}

// Writes the changed columns; false when the row no longer holds the loaded
// value of one of them, or is gone.
bool Update(sqlite3* db, const std::vector<FieldDef>& fields, const DatasetRow& record) {
    std::string sql = "UPDATE ip SET ";
    std::vector<std::size_t> changed;
    const Row& loaded = record.Loaded();
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (!Same(record.values, loaded, f)) {
            if (!changed.empty()) {
                sql += ',';
            }
            AppendQuoted(sql, fields[f].name);
            sql += '=';
            AppendParam(sql, changed.size() + 1);
            changed.push_back(f);
        }
    }
    if (changed.empty()) {
        return true;
    }
    std::vector<std::size_t> checked = changed;
    const int mac = MacField(fields);
    if (mac >= 0 && std::find(changed.begin(), changed.end(), mac) == changed.end()) {
        checked.push_back(static_cast<std::size_t>(mac));
    }
    int rowidParam = static_cast<int>(changed.size()) + 1;
    sql += " WHERE rowid=";
    AppendParam(sql, static_cast<std::size_t>(rowidParam));
    sql += LoadedCheck(fields, checked, rowidParam + 1);
    SqliteStatement statement(db, sql);
    for (std::size_t i = 0; i < changed.size(); ++i) {
        BindField(statement, static_cast<int>(i + 1), record.values, changed[i]);
    }
    statement.BindInt64(rowidParam, record.rowid);
    BindLoaded(statement, loaded, checked, rowidParam + 1);
    statement.Step();
    return sqlite3_changes(db) == 1;
}

// The loaded text of the field named `name`, "" when null or missing.
std::string_view LoadedText(const std::vector<FieldDef>& fields, const Row& loaded,
                            std::string_view name) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (text::EqualsIgnoringAsciiCase(fields[f].name, name)) {
            return loaded.IsNull(f) ? std::string_view() : loaded.Text(f);
        }
    }
    return {};
}

// Removes the row, and what is kept under its key but its history; false
// when its rowid now holds another mac.
bool Delete(sqlite3* db, const std::vector<FieldDef>& fields, const DatasetRow& record) {
    std::vector<std::size_t> checked;
    const int mac = MacField(fields);
    if (mac >= 0) {
        checked.push_back(static_cast<std::size_t>(mac));
    }
    SqliteStatement statement(db,
                              "DELETE FROM ip WHERE rowid=?1" + LoadedCheck(fields, checked, 2));
    statement.BindInt64(1, record.rowid);
    BindLoaded(statement, record.Loaded(), checked, 2);
    statement.Step();
    if (sqlite3_changes(db) != 1) {
        return !RowExists(db, record.rowid);
    }
    const Row& loaded = record.Loaded();
    DropKeyedRows(db,
                  HistoryKey(LoadedText(fields, loaded, "mac"), LoadedText(fields, loaded, "ip"),
                             LoadedText(fields, loaded, "pcname")));
    return true;
}

// Inserts the fields that have a value; the others, djsj included, get
// the table's defaults. Returns the new row as the database stored it.
IpTable::Written Insert(sqlite3* db, const std::vector<FieldDef>& fields,
                        const DatasetRow& record) {
    std::string names;
    std::string params;
    std::vector<std::size_t> given;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (!record.values.IsNull(f)) {
            if (!given.empty()) {
                names += ',';
                params += ',';
            }
            AppendQuoted(names, fields[f].name);
            AppendParam(params, given.size() + 1);
            given.push_back(f);
        }
    }
    std::string sql = given.empty() ? "INSERT INTO ip DEFAULT VALUES"
                                    : "INSERT INTO ip (" + names + ") VALUES (" + params + ")";
    SqliteStatement insert(db, sql);
    for (std::size_t i = 0; i < given.size(); ++i) {
        BindField(insert, static_cast<int>(i + 1), record.values, given[i]);
    }
    insert.Step();
    IpTable::Written written;
    written.rowid = sqlite3_last_insert_rowid(db);
    SqliteStatement reread(db, "SELECT * FROM ip WHERE rowid=?1");
    reread.BindInt64(1, written.rowid);
    if (!reread.Step()) {
        throw StoreError(kConflict);
    }
    Row::Builder builder;
    ReadValues(reread, 0, reread.ColumnCount(), builder);
    written.values = builder.Build();
    if (written.values.Size() != fields.size()) {
        throw StoreError("The columns of table ip have changed");
    }
    return written;
}

}  // namespace

IpTable::Loaded IpTable::Load(sqlite3* db) {
    // The rowid rides along as column 0 to identify rows when saving.
    SqliteStatement statement(db, "SELECT rowid, * FROM ip");
    Loaded loaded;
    int count = statement.ColumnCount() - 1;
    for (int i = 1; i <= count; ++i) {
        loaded.fields.push_back({statement.ColumnName(i), TypeOf(statement.ColumnDeclType(i))});
    }
    Row::Builder builder;
    while (statement.Step()) {
        DatasetRow& record = loaded.records.emplace_back();
        record.rowid = statement.Int64(0);
        ReadValues(statement, 1, count, builder);
        record.values = builder.Build(loaded.arena);
    }
    return loaded;
}

IpTable::BatchResult IpTable::WriteBatch(sqlite3* db, const std::vector<FieldDef>& fields,
                                         const std::vector<DatasetRow>& records) {
    BatchResult result;
    std::vector<Written>& done = result.written;
    SqliteStatement(db, "BEGIN IMMEDIATE").Step();
    try {
        for (std::size_t i = 0; i < records.size(); ++i) {
            const DatasetRow& record = records[i];
            if (record.state == RecordState::Unchanged) {
                continue;
            }
            if (record.state == RecordState::Inserted) {
                done.push_back(Insert(db, fields, record));
            } else {
                const bool written = record.state == RecordState::Modified
                                         ? Update(db, fields, record)
                                         : Delete(db, fields, record);
                if (!written) {
                    result.conflicts.push_back(i);
                    continue;
                }
                done.emplace_back();
            }
            done.back().record = i;
        }
        SqliteStatement(db, "COMMIT").Step();
    } catch (...) {
        // A failed COMMIT may leave the transaction open; end it either way.
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return result;
}

}  // namespace vantrel::store
