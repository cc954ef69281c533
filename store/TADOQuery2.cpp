#include "TADOQuery2.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "Gbk.h"
#include "StoreError.h"
#include "TADOConnection.h"
#include "TParsedSql.h"
#include "TSqliteStatement.h"

namespace vantrel::store {

namespace {

// One field of the current row, kept after the statement is finalized so
// that no statement outlives the lock or the connection.
struct Field {
    std::string name;
    int type = SQLITE_NULL;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;
};

}  // namespace

struct TADOQuery2::Impl {
    TADOConnection* connection = nullptr;
    TParsedSql parsed;
    std::vector<std::optional<std::string>> values;  // per distinct name
    bool open = false;
    bool hasRow = false;
    std::vector<Field> row;

    // Prepares the statement and binds every parameter; the caller holds
    // the connection's lock.
    TSqliteStatement Prepare() {
        TSqliteStatement statement(connection->Handle(), parsed.Sql());
        if (static_cast<std::size_t>(statement.ParameterCount()) != values.size()) {
            throw StoreError("No value given for one or more required parameters");
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!values[i]) {
                throw StoreError("No value given for parameter '" + parsed.Names()[i] + "'");
            }
            statement.BindText(static_cast<int>(i + 1), *values[i]);
        }
        return statement;
    }
};

TADOQuery2::TADOQuery2(TADOConnection& connection) : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
}

TADOQuery2::~TADOQuery2() = default;

void TADOQuery2::SetSQL(std::string_view text) {
    Close();
    impl_->parsed = TParsedSql(text);
    impl_->values.assign(impl_->parsed.Names().size(), std::nullopt);
}

void TADOQuery2::Open() {
    Close();
    auto guard = impl_->connection->Lock();
    TSqliteStatement statement = impl_->Prepare();
    if (statement.ColumnCount() == 0) {
        throw StoreError("The statement returns no rows");
    }
    std::vector<Field> row;
    bool hasRow = statement.Step();
    if (hasRow) {
        row.resize(static_cast<std::size_t>(statement.ColumnCount()));
        for (int i = 0; i < statement.ColumnCount(); ++i) {
            Field& field = row[static_cast<std::size_t>(i)];
            field.name = statement.ColumnName(i);
            field.type = sqlite3_column_type(statement.Get(), i);
            field.integer = statement.Int64(i);
            field.real = sqlite3_column_double(statement.Get(), i);
            field.text = statement.Bytes(i);
        }
    }
    impl_->row = std::move(row);
    impl_->hasRow = hasRow;
    impl_->open = true;
}

void TADOQuery2::Close() {
    impl_->open = false;
    impl_->hasRow = false;
    impl_->row.clear();
}

long long TADOQuery2::FieldAsInteger(std::string_view name) const {
    if (!impl_->open) {
        throw StoreError("Operation is not allowed when the dataset is closed");
    }
    if (!impl_->hasRow) {
        throw StoreError("The dataset has no current row");
    }
    for (const Field& field : impl_->row) {
        if (!text::EqualsIgnoringAsciiCase(field.name, name)) {
            continue;
        }
        switch (field.type) {
            case SQLITE_NULL:
                return 0;
            case SQLITE_INTEGER:
                return field.integer;
            case SQLITE_FLOAT:
                if (std::isfinite(field.real) && std::fabs(field.real) < 9.2e18) {
                    return static_cast<long long>(field.real);
                }
                break;
            default: {
                long long value = 0;
                const char* end = field.text.data() + field.text.size();
                auto result = std::from_chars(field.text.data(), end, value);
                if (result.ec == std::errc() && result.ptr == end && !field.text.empty()) {
                    return value;
                }
                break;
            }
        }
        throw StoreError("'" + field.text + "' is not a valid integer value for field '" +
                         field.name + "'");
    }
    throw StoreError("Field '" + std::string(name) + "' not found");
}

void TADOQuery2::SetParam(std::string_view name, std::string_view text) {
    int index = impl_->parsed.Find(name);
    if (index < 0) {
        throw StoreError("Parameter '" + std::string(name) + "' not found");
    }
    impl_->values[static_cast<std::size_t>(index)] = std::string(text);
}

void TADOQuery2::ExecSQL() {
    Close();
    auto guard = impl_->connection->Lock();
    TSqliteStatement statement = impl_->Prepare();
    while (statement.Step()) {
    }
}

}  // namespace vantrel::store
