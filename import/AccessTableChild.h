#pragma once
// One table of an Access file read by vantrel-mdbread in a child process
// (ChildProcess) under a memory limit and a time limit that grows with the
// file's size, row by row as AccessTable reads it. mdbtools then runs in
// the child only: a file that makes it loop, crash or allocate without end
// costs the child, and this side checks every frame the child sends.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "AccessTable.h"
#include "ChildProcess.h"

namespace vantrel::import {

class AccessTableChild {
  public:
    // The reader beside this program's executable.
    static std::string ReaderPath();
    // 1 GiB of memory; 5 s and 1 s more for each MiB of the file (begun).
    static ChildProcess::Limits LimitsFor(std::uintmax_t fileBytes);

    // Starts the reader on `table` of `path` and reads what it says of the
    // table. Throws AccessTable::Error for a table the reader refused (see
    // ErrorRow()), ChildProcess::Failure for a reader that did not end
    // well or sent what it should not, std::system_error when it cannot be
    // started.
    AccessTableChild(const std::string& path, const std::string& table,
                     const std::vector<std::string>& columns, const ChildProcess::Limits& limits,
                     const std::string& readerPath = ReaderPath());

    // As AccessTable::Next; throws as the constructor does.
    bool Next(AccessTable::Row& values);

    bool IsStoredText(std::size_t i) const { return storedText_.at(i); }
    bool Jet3() const { return jet3_; }
    std::size_t ExpectedRows() const { return expectedRows_; }
    std::size_t RowsRead() const { return rowsRead_; }
    // The row an AccessTable::Error names.
    std::size_t ErrorRow() const { return errorRow_; }

    // What the reader wrote to its standard error (the start, and the end).
    std::string ErrorText() const { return child_.ErrorText(); }
    const ChildProcess::Limits& Limits() const { return limits_; }

  private:
    // The next frame; its tag is returned and its bytes are in frame_.
    char ReadFrame();
    [[noreturn]] void Refused();
    [[noreturn]] void BadOutput(const std::string& what) const;

    ChildProcess::Limits limits_;
    ChildProcess child_;
    std::size_t columns_;
    std::string frame_;
    std::vector<bool> storedText_;
    bool jet3_ = false;
    bool done_ = false;
    std::size_t expectedRows_ = 0;
    std::size_t rowsRead_ = 0;
    std::size_t errorRow_ = 0;
};

}  // namespace vantrel::import
