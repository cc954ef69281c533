#include "AccessTable.h"

#include <mdbtools.h>
#include <strings.h>

namespace vantrel::importer {

namespace {

// mdbtools copies every value into a buffer of this size. A memo of the
// 65,535 characters Access allows is at most 196,605 bytes as UTF-8; a value
// that fills the buffer may have been cut and is refused.
constexpr std::size_t kBindSize = 256 * 1024;

constexpr const char* kDateFormat = "%Y-%m-%d %H:%M:%S";

using Kind = AccessTable::Error::Kind;

// mdbtools reads Jet 4 and ACE text as UCS-2, so a character beyond U+FFFF
// (a surrogate pair) came out as "??" and could not be counted. UTF-16LE
// reads it whole. Jet 3 text is in the code page of the edition that wrote
// it, which for this program's users is code page 936. The converters are
// the handle's own: no environment variable is read or set.
void UseOwnConverters(MdbHandle* mdb) {
    const char* fileCharset = IS_JET3(mdb) ? "CP936" : "UTF-16LE";
    iconv_t in = iconv_open("UTF-8", fileCharset);
    iconv_t out = iconv_open(fileCharset, "UTF-8");
    if (in == reinterpret_cast<iconv_t>(-1) || out == reinterpret_cast<iconv_t>(-1)) {
        if (in != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(in);
        }
        if (out != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(out);
        }
        throw AccessTable::Error(Kind::ReadFailed,
                                 std::string("iconv cannot convert ") + fileCharset);
    }
    mdb_iconv_close(mdb);
    mdb->iconv_in = in;
    mdb->iconv_out = out;
}

}  // namespace

struct AccessTable::Impl {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    // One per wanted column; null where the table lacks the column.
    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<int> lengths;
    std::size_t rowsRead = 0;

    ~Impl() {
        if (table != nullptr) {
            mdb_free_tabledef(table);
        }
        if (mdb != nullptr) {
            mdb_close(mdb);
        }
    }

    MdbCatalogEntry* FindTable(const std::string& name) const {
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type == MDB_TABLE &&
                strcasecmp(entry->object_name, name.c_str()) == 0) {
                return entry;
            }
        }
        return nullptr;
    }

    // 1-based column number for mdb_bind_column, 0 when absent.
    int FindColumn(const std::string& name) const {
        for (unsigned i = 0; i < table->num_cols; ++i) {
            auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (strcasecmp(column->name, name.c_str()) == 0) {
                return static_cast<int>(i) + 1;
            }
        }
        return 0;
    }
};

AccessTable::AccessTable(const std::string& path, const std::string& table,
                         const std::vector<std::string>& columns)
    : impl_(std::make_unique<Impl>()) {
    impl_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (impl_->mdb == nullptr) {
        throw Error(Kind::CannotOpen, "mdbtools cannot open the file");
    }
    UseOwnConverters(impl_->mdb);
    mdb_set_date_fmt(impl_->mdb, kDateFormat);
    mdb_set_bind_size(impl_->mdb, kBindSize);
    if (mdb_read_catalog(impl_->mdb, MDB_TABLE) == nullptr) {
        throw Error(Kind::CannotOpen, "mdbtools cannot read the list of tables");
    }
    MdbCatalogEntry* entry = impl_->FindTable(table);
    if (entry == nullptr) {
        throw Error(Kind::NoTable, "no table " + table);
    }
    impl_->table = mdb_read_table(entry);
    if (impl_->table == nullptr || mdb_read_columns(impl_->table) == nullptr) {
        throw Error(Kind::ReadFailed, "cannot read the definition of table " + table);
    }
    impl_->buffers.resize(columns.size());
    impl_->lengths.assign(columns.size(), 0);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        int number = impl_->FindColumn(columns[i]);
        if (number == 0) {
            continue;
        }
        // Not zeroed: mdbtools writes every bound value, the empty one too.
        impl_->buffers[i].reset(new char[kBindSize]);
        if (mdb_bind_column(impl_->table, number, impl_->buffers[i].get(), &impl_->lengths[i]) ==
            -1) {
            throw Error(Kind::ReadFailed, "cannot read column " + columns[i]);
        }
    }
    if (mdb_rewind_table(impl_->table) == -1) {
        throw Error(Kind::ReadFailed, "cannot read the rows of table " + table);
    }
}

AccessTable::~AccessTable() = default;

bool AccessTable::Next(std::vector<std::optional<std::string>>& values) {
    values.resize(impl_->buffers.size());
    // mdbtools ends the rows the same way at the end and on a page it
    // cannot read; the count in the table's definition tells them apart.
    if (!mdb_fetch_row(impl_->table)) {
        if (impl_->rowsRead < ExpectedRows()) {
            throw Error(Kind::ReadFailed, "the rows end after " + std::to_string(impl_->rowsRead) +
                                              " of " + std::to_string(ExpectedRows()));
        }
        return false;
    }
    ++impl_->rowsRead;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int length = impl_->lengths[i];
        if (!impl_->buffers[i] || length <= 0) {
            values[i].reset();
            continue;
        }
        if (static_cast<std::size_t>(length) >= kBindSize - 1) {
            throw Error(Kind::ValueTooLong, "a value of row " + std::to_string(impl_->rowsRead) +
                                                " is longer than " + std::to_string(kBindSize) +
                                                " bytes");
        }
        values[i].emplace(impl_->buffers[i].get(), static_cast<std::size_t>(length));
    }
    return true;
}

std::size_t AccessTable::ExpectedRows() const {
    return impl_->table->num_rows;
}

}  // namespace vantrel::importer
