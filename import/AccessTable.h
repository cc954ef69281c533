#pragma once
// One table of a Microsoft Access database (Jet 3, Jet 4 or ACE), read row by
// row through mdbtools' library. Values come as UTF-8; Jet 3 files, whose
// text is in the writer's code page, are read as code page 936. Nothing is
// ever written to the file.

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel::importer {

class AccessTable {
  public:
    // What went wrong; the message in what() is mdbtools' or ours, in English.
    class Error : public std::runtime_error {
      public:
        enum class Kind {
            CannotOpen,    // not an Access database mdbtools can read
            NoTable,       // the file opens but has no such table
            ReadFailed,    // the table's definition or rows cannot be read
            ValueTooLong,  // a value does not fit the read buffer whole
        };
        Error(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
        Kind kind() const { return kind_; }

      private:
        Kind kind_;
    };

    // Opens `path` and the table named `table`, both names compared without
    // regard to ASCII case, as are the `columns` wanted. Throws Error.
    AccessTable(const std::string& path, const std::string& table,
                const std::vector<std::string>& columns);
    ~AccessTable();
    AccessTable(const AccessTable&) = delete;
    AccessTable& operator=(const AccessTable&) = delete;

    // The next row's values in the order of the columns asked for; a column
    // the table lacks, a null and the empty text are all nullopt (mdbtools
    // does not tell the last two apart). Dates read "YYYY-MM-DD HH:MM:SS".
    // Returns false after the last row; throws Error::ReadFailed when the
    // rows end before the count the table's definition gives.
    bool Next(std::vector<std::optional<std::string>>& values);

    // Rows the table's definition says it holds.
    std::size_t ExpectedRows() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::importer
