#pragma once
// One table of a Microsoft Access database (Jet 3, Jet 4 or ACE), read row by
// row through mdbtools' library. Text comes as the file stores it, so that it
// is converted once, by whoever takes the rows (ToGbk), and not on the
// reading thread. Nothing is ever written to the file.
//
// A damaged file can read without any complaint from mdbtools (a column
// count, a long-value pointer, a row count or a column's number gone wrong):
// the reading checks what it can and refuses such a table with Error rather
// than returning rows that are wrong. Each column's type, size and numbers
// are checked against the page and each other when the table opens, and
// each row of a Jet 4 or ACE file is read a second way, straight from its
// bytes, to see that no stored text comes out empty. mdbtools itself may
// still loop or crash on a damaged file: run this in a child process
// (vantrel-mdbread).

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::import {

class AccessTable {
  public:
    // What went wrong; the message in what() is mdbtools' or ours, in English.
    class Error : public std::runtime_error {
      public:
        enum class Kind {
            CannotOpen,       // not an Access database mdbtools can read
            NoTable,          // the file opens but has no such table
            NoColumns,        // the table has none of the columns asked for
            ReadFailed,       // the definition or rows cannot be read (rows end early)
            TooManyRows,      // more rows than the definition records
            ValueUnreadable,  // a memo or long value cannot be read whole
            EmptyRow,         // a row holds no value although one must
            ValueTooLong,     // a value beyond any inventory's (kMaxValueBytes)
            BadDefinition,    // a column's type, size or numbers do not fit together
            RowMismatch,      // a row's stored values disagree with what mdbtools read
        };
        Error(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
        Kind kind() const { return kind_; }

      private:
        Kind kind_;
    };

    using Row = std::vector<std::optional<std::string>>;

    // A memo longer than this is refused rather than held in memory.
    static constexpr std::size_t kMaxValueBytes = 16 * 1024 * 1024;

    // Opens `path` and the table named `table`, both names compared without
    // regard to ASCII case, as are the `columns` wanted. Throws Error, also
    // when none of the columns is found.
    AccessTable(const std::string& path, const std::string& table,
                const std::vector<std::string>& columns);
    ~AccessTable();
    AccessTable(const AccessTable&) = delete;
    AccessTable& operator=(const AccessTable&) = delete;

    // The next row's values in the order of the columns asked for; a column
    // the table lacks, a null and the empty value are all nullopt. Text of
    // a column for which IsStoredText() holds comes as stored; dates read
    // "YYYY-MM-DD HH:MM:SS", numbers as mdbtools writes them. Returns false
    // after the last row. Throws Error when the rows read do not match the
    // count the table's definition records (in either direction), when a
    // memo cannot be read whole, or when a row holds no value at all while
    // the definition has a column that always holds one (an AutoNumber).
    bool Next(Row& values);

    // Whether column `i` (of those asked for) comes as stored text: pass
    // it through ToGbk. Safe from any thread.
    bool IsStoredText(std::size_t i) const;

    // Whether the file is Jet 3 (Access 97), whose text is stored in the
    // writer's code page.
    bool Jet3() const;

    // Stored text as code page 936. Jet 4 and ACE store UTF-16LE, each
    // value either whole or in their "compressed" form (FF FE, then runs of
    // one byte per character and of two, a 00 byte switching between
    // them); Jet 3 stores the writer's code page, which for this program's
    // users is 936. A character GBK cannot hold becomes '?', counted in
    // *replaced. Safe from any thread.
    // Converts in place.
    void ToGbk(std::string& value, std::size_t* replaced) const;
    // The same for stored text of a file that is Jet 3 or not.
    static void ToGbk(std::string& value, bool jet3, std::size_t* replaced);

    // Rows the table's definition says it holds, and rows read so far.
    std::size_t ExpectedRows() const;
    std::size_t RowsRead() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::import
