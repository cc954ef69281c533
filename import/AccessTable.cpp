#include "AccessTable.h"

#include <mdbtools.h>
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "GbkConvert.h"

namespace vantrel::import {

namespace {

// Values that are not text (dates, numbers) are still copied by mdbtools
// into a buffer of this size; one that fills it may have been cut.
constexpr std::size_t kBindSize = 4096;

constexpr const char* kDateFormat = "%Y-%m-%d %H:%M:%S";

// A memo's place in its row: 4 bytes of length with two flags on top,
// 4 bytes naming the long-value page and row (page << 8 | row), 4 unused.
constexpr int kMemoHeader = MDB_MEMO_OVERHEAD;
constexpr std::uint32_t kMemoInline = 0x80000000;   // the value follows the header
constexpr std::uint32_t kMemoOnePage = 0x40000000;  // one long-value row
constexpr std::uint32_t kMemoLengthMask = 0x3FFFFFFF;

using Kind = AccessTable::Error::Kind;

std::uint32_t Get32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// mdbtools converts names (of tables and columns) through the handle's
// own converters: Jet 4 and ACE names are UTF-16LE, Jet 3 ones in the
// writer's code page, which for this program's users is code page 936. No
// environment variable is read or set.
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

std::uint16_t Get16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// Where the definition's first page keeps the count of column numbers given
// out (deleted columns included): every column's number is below it.
constexpr int kJet3MaxColumns = 21;
constexpr int kJet4MaxColumns = 41;
// A row's place on its page; the bits above are flags.
constexpr int kRowPlaceMask = 0x1FFF;

// The size a fixed column of `type` takes in the row; 0 for types whose
// size is not fixed by the type (and yes/no, which lives in the null bits).
int FixedSizeOf(int type) {
    switch (type) {
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
        case MDB_FLOAT:
            return 4;
        case MDB_MONEY:
        case MDB_DOUBLE:
        case MDB_DATETIME:
            return 8;
        case MDB_REPID:
            return 16;
        case MDB_NUMERIC:
            return 17;
        default:
            return 0;
    }
}

bool KnownType(int type) {
    return (type >= MDB_BOOL && type <= MDB_MEMO) || type == MDB_REPID || type == MDB_NUMERIC ||
           type == 0x11 || type == MDB_COMPLEX || type == 0x13;
}

// Jet 4's compressed text: after FF FE, bytes of characters below U+0100
// one each, other characters two each, a 00 byte switching between the two.
void Uncompress(std::string_view stored, std::string& utf16) {
    utf16.clear();
    utf16.reserve(stored.size() * 2);
    bool oneByte = true;
    for (std::size_t i = 2; i < stored.size();) {
        if (stored[i] == '\0') {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            utf16 += stored[i++];
            utf16 += '\0';
        } else if (i + 1 < stored.size()) {
            utf16.append(stored, i, 2);
            i += 2;
        } else {
            break;
        }
    }
}

}  // namespace

struct AccessTable::Impl {
    enum class Source {
        Absent,  // the table lacks the column
        Text,    // stored text, copied as it is
        Memo,    // stored text on long-value pages
        Bound,   // mdbtools' own rendering into `buffer`
    };
    struct Wanted {
        Source source = Source::Absent;
        MdbColumn* column = nullptr;
        std::unique_ptr<char[]> buffer;
        int length = 0;
    };

    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    std::vector<Wanted> wanted;
    bool jet3 = false;
    // The definition has a column every stored row fills (an AutoNumber).
    bool rowsHoldAValue = false;
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

    MdbColumn* Column(unsigned i) const {
        return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    }

    // 1-based column number for mdb_bind_column, 0 when absent.
    int FindColumn(const std::string& name) const {
        for (unsigned i = 0; i < table->num_cols; ++i) {
            if (strcasecmp(Column(i)->name, name.c_str()) == 0) {
                return static_cast<int>(i) + 1;
            }
        }
        return 0;
    }

    [[noreturn]] static void BadDefinition(const MdbColumn& column, const std::string& why) {
        throw Error(Kind::BadDefinition, std::string("column ") + column.name + " " + why);
    }

    // Each column's type, size and numbers, against the page and each
    // other: mdbtools takes them as they come, and one byte gone wrong
    // there reads other bytes as the column's or empties it in some rows.
    void CheckDefinition(const std::string& path) const {
        const auto pageSize = static_cast<std::size_t>(mdb->fmt->pg_size);
        unsigned char count[2] = {};
        std::ifstream file(path, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(table->entry->table_pg * pageSize +
                                               (jet3 ? kJet3MaxColumns : kJet4MaxColumns)));
        if (!file.read(reinterpret_cast<char*>(count), sizeof count)) {
            throw Error(Kind::BadDefinition, "the definition cannot be read again");
        }
        const unsigned numbers = Get16(count);
        const std::size_t maxText = jet3 ? 255 : 510;
        std::vector<bool> numberTaken(numbers);
        std::vector<bool> varTaken(table->num_cols);
        for (unsigned i = 0; i < table->num_cols; ++i) {
            MdbColumn* column = Column(i);
            const int type = column->col_type;
            if (!KnownType(type)) {
                BadDefinition(*column, "has the unknown type " + std::to_string(type));
            }
            if (column->col_num < 0 || static_cast<unsigned>(column->col_num) >= numbers ||
                numberTaken[static_cast<unsigned>(column->col_num)]) {
                BadDefinition(*column, "has the number " + std::to_string(column->col_num) +
                                           " of another column or beyond the " +
                                           std::to_string(numbers) + " given out");
            }
            numberTaken[static_cast<unsigned>(column->col_num)] = true;
            if (mdb_is_fixed_col(column) != 0) {
                const int size = FixedSizeOf(type);
                if ((size != 0 && column->col_size != size) || column->fixed_offset < 0 ||
                    static_cast<std::size_t>(column->fixed_offset + column->col_size) > pageSize) {
                    BadDefinition(*column, "has a size or place that does not fit its type");
                }
            } else if (type != MDB_TEXT && type != MDB_MEMO && type != MDB_OLE &&
                       type != MDB_BINARY && type != MDB_NUMERIC && type != MDB_COMPLEX &&
                       type != 0x11) {
                BadDefinition(*column, "is of a fixed type but not stored as one");
            } else if (column->var_col_num >= table->num_cols || varTaken[column->var_col_num] ||
                       (type == MDB_TEXT &&
                        (column->col_size <= 0 ||
                         static_cast<std::size_t>(column->col_size) > maxText))) {
                BadDefinition(*column, "has a size or place of another column or beyond any");
            } else {
                varTaken[column->var_col_num] = true;
            }
        }
    }

    // Reads the current row a second way, straight from its bytes (Jet 4
    // and ACE): a text column that holds bytes there must not come out
    // empty, nor may its null bit lie outside the row.
    void CheckRow() const {
        if (jet3) {
            return;  // Jet 3 rows have another layout; the definition check serves
        }
        int start = 0;
        std::size_t size = 0;
        const int onPage = static_cast<int>(table->cur_row) - 1;
        if (onPage < 0 || mdb_find_row(mdb, onPage, &start, &size) != 0) {
            Mismatch("cannot be found on its page");
        }
        // The row's place without its flags (deleted, moved).
        const auto place = static_cast<std::size_t>(start & kRowPlaceMask);
        if (size < 2 || place + size > static_cast<std::size_t>(mdb->fmt->pg_size)) {
            Mismatch("cannot be found on its page");
        }
        const unsigned char* row = mdb->pg_buf + place;
        const unsigned columns = Get16(row);
        const std::size_t maskSize = (columns + 7) / 8;
        if (maskSize + 2 + 2 > size) {
            Mismatch("is shorter than its column count says");
        }
        const unsigned char* mask = row + size - maskSize;
        const unsigned varColumns = table->num_var_cols > 0 ? Get16(mask - 2) : 0;
        if (2 * static_cast<std::size_t>(varColumns) + 2 + 2 + maskSize > size) {
            Mismatch("is shorter than its column count says");
        }
        auto offsetOf = [&](unsigned v) { return Get16(mask - 4 - 2 * v); };
        for (const Wanted& one : wanted) {
            if (one.source != Source::Text && one.source != Source::Memo) {
                continue;
            }
            const MdbColumn& column = *one.column;
            std::size_t stored = 0;
            if (column.var_col_num < varColumns) {
                const unsigned from = offsetOf(column.var_col_num);
                const unsigned to = offsetOf(column.var_col_num + 1);
                stored = to > from ? to - from : 0;
            }
            const auto number = static_cast<unsigned>(column.col_num);
            const bool null = number >= columns || (mask[number / 8] & (1u << (number % 8))) == 0;
            if (stored > 0 && (null || column.cur_value_len <= 0)) {
                Mismatch("holds a value in column " + std::string(column.name) +
                         " that reads as empty");
            }
        }
    }

    [[noreturn]] void Mismatch(const std::string& why) const {
        throw Error(Kind::RowMismatch, "row " + std::to_string(rowsRead) + " " + why);
    }

    [[noreturn]] void Unreadable(const MdbColumn& column, const char* why) const {
        throw Error(Kind::ValueUnreadable, std::string("the value of column ") + column.name +
                                               " in row " + std::to_string(rowsRead) + " " + why);
    }

    // Whether the long-value row read into `buffer` sits on a long-value
    // page; Jet 4 and ACE mark those pages.
    bool IsLongValuePage(const void* buffer) const {
        const auto* page = static_cast<const unsigned char*>(buffer);
        return jet3 || (page[0] == MDB_PAGE_DATA && std::memcmp(page + 4, "LVAL", 4) == 0);
    }

    // The stored bytes of the memo of the current row, whole, or nullopt
    // when it is null or empty. Every pointer is followed with the length
    // the header records; a page that cannot be read, a chain that ends
    // early or runs long, any flag this does not know, is refused.
    std::optional<std::string> ReadMemo(const MdbColumn& column) const {
        const int size = column.cur_value_len;
        if (size <= 0) {
            return std::nullopt;
        }
        if (size < kMemoHeader) {
            Unreadable(column, "has no whole memo header");
        }
        const unsigned char* header = mdb->pg_buf + column.cur_value_start;
        const std::uint32_t word = Get32(header);
        const std::size_t length = word & kMemoLengthMask;
        if (length > kMaxValueBytes) {
            throw Error(Kind::ValueTooLong, "a value of row " + std::to_string(rowsRead) +
                                                " is longer than " +
                                                std::to_string(kMaxValueBytes) + " bytes");
        }
        std::string bytes;
        if ((word & kMemoInline) != 0) {
            if (static_cast<std::size_t>(size - kMemoHeader) < length) {
                Unreadable(column, "is shorter than its header says");
            }
            bytes.assign(reinterpret_cast<const char*>(header) + kMemoHeader, length);
        } else if ((word & ~kMemoLengthMask) == kMemoOnePage || (word & ~kMemoLengthMask) == 0) {
            const bool onePage = (word & kMemoOnePage) != 0;
            int pageRow = static_cast<int>(Get32(header + 4));
            // Every link must add bytes and none may pass the length, so a
            // chain that loops ends too.
            while (pageRow != 0) {
                void* page = nullptr;
                int offset = 0;
                std::size_t rowLength = 0;
                if (mdb_find_pg_row(mdb, pageRow, &page, &offset, &rowLength) != 0 ||
                    !IsLongValuePage(page)) {
                    Unreadable(column, "points to a page that cannot be read");
                }
                const char* row = static_cast<const char*>(page) + offset;
                if (onePage) {
                    if (rowLength < length) {
                        Unreadable(column, "is shorter than its header says");
                    }
                    bytes.assign(row, length);
                    break;
                }
                if (rowLength <= 4 || bytes.size() + rowLength - 4 > length) {
                    Unreadable(column, "does not match the length its header says");
                }
                pageRow = static_cast<int>(Get32(reinterpret_cast<const unsigned char*>(row)));
                bytes.append(row + 4, rowLength - 4);
            }
            if (bytes.size() != length) {
                Unreadable(column, "ends before the length its header says");
            }
        } else {
            Unreadable(column, "has a header this program does not know");
        }
        if (bytes.empty()) {
            return std::nullopt;
        }
        return bytes;
    }
};

AccessTable::AccessTable(const std::string& path, const std::string& table,
                         const std::vector<std::string>& columns)
    : impl_(std::make_unique<Impl>()) {
    impl_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (impl_->mdb == nullptr) {
        throw Error(Kind::CannotOpen, "mdbtools cannot open the file");
    }
    impl_->jet3 = IS_JET3(impl_->mdb);
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
    impl_->CheckDefinition(path);
    for (unsigned i = 0; i < impl_->table->num_cols; ++i) {
        const MdbColumn* column = impl_->Column(i);
        impl_->rowsHoldAValue =
            impl_->rowsHoldAValue || column->is_long_auto != 0 || column->is_uuid_auto != 0;
    }
    impl_->wanted.resize(columns.size());
    bool any = false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int number = impl_->FindColumn(columns[i]);
        if (number == 0) {
            continue;
        }
        any = true;
        Impl::Wanted& wanted = impl_->wanted[i];
        wanted.column = impl_->Column(static_cast<unsigned>(number - 1));
        // Text is left unbound: mdbtools then only finds it in the row,
        // and it is copied as stored.
        if (wanted.column->col_type == MDB_TEXT) {
            wanted.source = Impl::Source::Text;
            continue;
        }
        if (wanted.column->col_type == MDB_MEMO) {
            wanted.source = Impl::Source::Memo;
            continue;
        }
        wanted.source = Impl::Source::Bound;
        // Not zeroed: mdbtools writes every bound value, the empty one too.
        wanted.buffer.reset(new char[kBindSize]);
        if (mdb_bind_column(impl_->table, number, wanted.buffer.get(), &wanted.length) == -1) {
            throw Error(Kind::ReadFailed, "cannot read column " + columns[i]);
        }
    }
    if (!any) {
        throw Error(Kind::NoColumns, "table " + table + " has none of the columns wanted");
    }
    if (mdb_rewind_table(impl_->table) == -1) {
        throw Error(Kind::ReadFailed, "cannot read the rows of table " + table);
    }
}

AccessTable::~AccessTable() = default;

bool AccessTable::Next(Row& values) {
    Impl& d = *impl_;
    values.resize(d.wanted.size());
    // mdbtools ends the rows the same way at the end and on a page it
    // cannot read, and reads whatever a damaged page's row count promises;
    // the count in the table's definition tells these apart.
    if (!mdb_fetch_row(d.table)) {
        if (d.rowsRead < ExpectedRows()) {
            throw Error(Kind::ReadFailed, "the rows end after " + std::to_string(d.rowsRead) +
                                              " of " + std::to_string(ExpectedRows()));
        }
        return false;
    }
    ++d.rowsRead;
    if (d.rowsRead > ExpectedRows()) {
        throw Error(Kind::TooManyRows, "more rows than the " + std::to_string(ExpectedRows()) +
                                           " the definition of the table records");
    }
    d.CheckRow();
    if (d.rowsHoldAValue) {
        bool any = false;
        for (unsigned i = 0; i < d.table->num_cols && !any; ++i) {
            const MdbColumn* column = d.Column(i);
            // A yes/no column keeps its value in the row's null bits.
            any = column->col_type == MDB_BOOL || column->cur_value_len > 0;
        }
        if (!any) {
            throw Error(Kind::EmptyRow,
                        "row " + std::to_string(d.rowsRead) + " holds no value at all");
        }
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        Impl::Wanted& wanted = d.wanted[i];
        std::optional<std::string>& value = values[i];
        switch (wanted.source) {
            case Impl::Source::Absent:
                value.reset();
                break;
            case Impl::Source::Text:
                if (wanted.column->cur_value_len <= 0) {
                    value.reset();
                } else {
                    value.emplace(reinterpret_cast<const char*>(d.mdb->pg_buf) +
                                      wanted.column->cur_value_start,
                                  static_cast<std::size_t>(wanted.column->cur_value_len));
                }
                break;
            case Impl::Source::Memo:
                value = d.ReadMemo(*wanted.column);
                break;
            case Impl::Source::Bound:
                if (wanted.length <= 0) {
                    value.reset();
                } else if (static_cast<std::size_t>(wanted.length) >= kBindSize - 1) {
                    throw Error(Kind::ValueTooLong, "a value of row " + std::to_string(d.rowsRead) +
                                                        " is longer than " +
                                                        std::to_string(kBindSize) + " bytes");
                } else {
                    value.emplace(wanted.buffer.get(), static_cast<std::size_t>(wanted.length));
                }
                break;
        }
    }
    return true;
}

bool AccessTable::IsStoredText(std::size_t i) const {
    const Impl::Source source = impl_->wanted.at(i).source;
    return source == Impl::Source::Text || source == Impl::Source::Memo;
}

bool AccessTable::Jet3() const {
    return impl_->jet3;
}

void AccessTable::ToGbk(std::string& value, std::size_t* replaced) const {
    ToGbk(value, impl_->jet3, replaced);
}

void AccessTable::ToGbk(std::string& value, bool jet3, std::size_t* replaced) {
    if (replaced != nullptr) {
        *replaced = 0;
    }
    if (jet3) {
        return;
    }
    const bool compressed = value.size() >= 2 && static_cast<unsigned char>(value[0]) == 0xFF &&
                            static_cast<unsigned char>(value[1]) == 0xFE;
    if (compressed && std::all_of(value.begin() + 2, value.end(), [](char c) {
            return c != '\0' && static_cast<unsigned char>(c) < 0x80;
        })) {
        // ASCII alone, as most values (addresses, models) are: GBK holds the
        // same bytes.
        value.erase(0, 2);
        return;
    }
    if (compressed) {
        thread_local std::string utf16;
        Uncompress(value, utf16);
        value = text::Utf16LeToGbk(utf16, replaced);
    } else {
        value = text::Utf16LeToGbk(value, replaced);
    }
}

std::size_t AccessTable::ExpectedRows() const {
    return impl_->table->num_rows;
}

std::size_t AccessTable::RowsRead() const {
    return impl_->rowsRead;
}

}  // namespace vantrel::import
