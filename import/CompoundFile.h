#pragma once
// The workbook stream of an Excel 97-2003 or 5.0/95 file, read out of its
// compound-file container. Nothing in the file is trusted: every sector
// number, chain, length and directory name is checked, a chain that
// loops or runs off the file is damage, and no loop runs longer than the
// file has sectors.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::import {

// The most bytes a workbook stream may hold: a full sheet of 65,536 rows
// takes a fraction of it, so a larger one is refused as not a list.
inline constexpr std::size_t kMaxWorkbookStreamBytes = 256 * 1024 * 1024;

// The stream named "Workbook" (BIFF8) or else "Book" (BIFF5) of a
// compound file, or a whole file that is a bare BIFF stream, read from
// the file where and when it is wanted: only the list of its sectors is
// kept in memory.
class WorkbookStream {
  public:
    // Throws ImportError naming the file when it cannot be read, is
    // damaged or holds no workbook.
    WorkbookStream(const std::string& path, bool bare);
    ~WorkbookStream();
    WorkbookStream(const WorkbookStream&) = delete;
    WorkbookStream& operator=(const WorkbookStream&) = delete;

    std::size_t Size() const { return size_; }
    // Appends the bytes from `offset` on, `length` of them or up to the
    // end of the stream, to `out`.
    void Read(std::size_t offset, std::size_t length, std::string& out) const;

    struct Layout {
        std::size_t size = 0;
        std::size_t sectorBytes = 0;
        std::vector<std::uint64_t> sectors;  // where each sector is in the file
        std::string small;                   // a stream of the mini stream, read whole
        bool isSmall = false;
    };

  private:
    std::string path_;
    int fd_ = -1;
    bool bare_ = false;
    Layout layout_;
    std::size_t size_ = 0;
};

}  // namespace vantrel::import
