#pragma once
// What vantrel-mdbread sends back over its standard output: frames of a
// tag byte, a 4-byte little-endian length and that many bytes.
//   'T' the table: jet3 (1 byte), rows the definition records (4), the
//       number of columns (1), then for each whether it is stored text (1).
//   'R' a row: for each column 0 (empty) or 1, a length (4) and the bytes.
//   'E' the table refused: AccessTable::Error::Kind (1), the row the error
//       names (4), rows the definition records (4), mdbtools' or our text.
//   'D' all rows sent: their count (4).
// A reading that ends well sends T, the rows, then D; one that fails sends
// E instead of D (or of T). The program checks every length it is given.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "AccessTable.h"

namespace vantrel::import {

class AccessFrames {
  public:
    static constexpr char kTable = 'T';
    static constexpr char kRow = 'R';
    static constexpr char kError = 'E';
    static constexpr char kDone = 'D';
    static constexpr std::size_t kHeaderBytes = 5;
    // A row of an inventory is far below this; a frame above it is refused.
    static constexpr std::size_t kMaxFrameBytes = 64 * 1024 * 1024;
    static constexpr std::size_t kMaxColumns = 64;

    static std::uint32_t Get32(const char* bytes);

    // Writes frames to `fd`, in chunks; throws std::runtime_error when the
    // reader has gone.
    explicit AccessFrames(int fd) : fd_(fd) {}
    void Table(bool jet3, std::size_t expectedRows, const std::vector<bool>& storedText);
    // False when the row is too big for a frame.
    bool Row(const AccessTable::Row& values);
    void Error(AccessTable::Error::Kind kind, std::size_t row, std::size_t expectedRows,
               const std::string& message);
    void Done(std::size_t rows);
    // Writes what waits; false when the reader has gone.
    bool Flush();

  private:
    void Begin(char tag);
    void End();
    void Put32(std::size_t value);

    int fd_;
    std::string out_;
    std::size_t frameStart_ = 0;
};

}  // namespace vantrel::import
