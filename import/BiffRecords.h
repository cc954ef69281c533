#pragma once
// The records of a BIFF5 or BIFF8 stream (.xls), read from the stream in
// memory: each record with the CONTINUE records that carry the rest of
// it, and the strings they hold as GBK. Every length is checked against
// the bytes there are.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CompoundFile.h"

namespace vantrel::import {

namespace biff {
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kFormatBiff4 = 0x001E;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kMergedCells = 0x00E5;
}  // namespace biff

// A record read, valid until the reader reads the next one into it (not
// to be copied: its parts point into its own bytes).
struct BiffRecord {
    std::uint16_t type = 0;
    // The record's own bytes first, then those of each CONTINUE after it.
    std::vector<std::string_view> parts;
    std::string bytes;       // what the parts show
    std::size_t offset = 0;  // of its head in the stream

    std::string_view Body() const { return parts.empty() ? std::string_view() : parts[0]; }
};

class BiffRecordReader {
  public:
    BiffRecordReader() = default;
    BiffRecordReader(const WorkbookStream& stream, std::size_t offset)
        : stream_(&stream), offset_(offset) {}

    // The next record; false at the end of the stream or at a record cut
    // short by it (*cut tells which).
    bool Next(BiffRecord& record, bool* cut = nullptr);
    std::size_t Offset() const { return offset_; }

  private:
    // Up to `length` bytes of the stream from `offset`, from a window of
    // it read ahead.
    std::string_view Bytes(std::size_t offset, std::size_t length);

    const WorkbookStream* stream_ = nullptr;
    std::size_t offset_ = 0;
    std::string window_;
    std::size_t windowStart_ = 0;
};

// Reads values across the parts of a record; every call fails (false)
// rather than read past the last part.
class BiffCursor {
  public:
    explicit BiffCursor(const std::vector<std::string_view>& parts, std::size_t at = 0)
        : parts_(parts), at_(at) {}

    bool U8(std::uint8_t& value);
    bool U16(std::uint16_t& value);
    bool U32(std::uint32_t& value);
    bool Skip(std::size_t bytes);

    // A BIFF8 string: `count` characters after the option byte (already
    // read as `options`), then its rich-text runs and phonetic block, all
    // passed. A string going on in the next part starts that part with a
    // new option byte. Appends UTF-16LE bytes to `utf16`.
    bool WideString(std::size_t count, std::uint8_t options, std::string& utf16);

  private:
    bool Ensure();  // steps to the next part when this one is used up

    const std::vector<std::string_view>& parts_;
    std::size_t part_ = 0;
    std::size_t at_;
};

std::uint16_t Le16(std::string_view bytes, std::size_t at);
std::uint32_t Le32(std::string_view bytes, std::size_t at);
double LeDouble(std::string_view bytes, std::size_t at);
// The number an RK value packs.
double RkNumber(std::uint32_t rk);

// 8-bit text of a BIFF5 (or the program's own bare) stream in the code
// page its CODEPAGE record names: 936 as it is, others read as Latin-1.
std::string ByteTextToGbk(std::string_view bytes, std::uint16_t codePage, std::size_t& replaced);

}  // namespace vantrel::import
