#include "CompoundFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "ImportError.h"
#include "ImportMessages.h"

namespace vantrel::import {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kLastRegularSector = 0xFFFFFFF9u;
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kEntryBytes = 128;
constexpr std::size_t kMaxNameBytes = 64;  // UTF-16 name with its NUL
constexpr std::size_t kHeaderDifatEntries = 109;

// `length` bytes at `offset` of the file `fd` (of `size` bytes); what lies
// past its end reads as zeros (writers may cut the last sector short).
void ReadAt(int fd, const std::string& path, std::uint64_t size, std::uint64_t offset,
            std::size_t length, char* out) {
    std::memset(out, 0, length);
    std::size_t done = 0;
    while (done < length && offset + done < size) {
        const ssize_t got =
            ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw ImportError(messages::ReadFailed(path, std::strerror(errno)));
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
}

std::uint16_t U16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t U32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2))
                                                        << 16;
}

class Container {
  public:
    explicit Container(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            throw ImportError(messages::CannotOpen(path, std::strerror(errno)));
        }
        struct stat info {};
        if (::fstat(fd_, &info) != 0) {
            Close();
            throw ImportError(messages::ReadFailed(path, std::strerror(errno)));
        }
        size_ = static_cast<std::uint64_t>(info.st_size);
    }
    ~Container() { Close(); }
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    WorkbookStream::Layout Read() {
        ReadHeader();
        ReadFat();
        const std::string directory = ChainBytes(U32(header_, 48), fat_, 0, "directory");
        std::size_t found = FindEntry(directory, u"Workbook");
        if (found == std::string::npos) {
            found = FindEntry(directory, u"Book");
        }
        if (found == std::string::npos) {
            throw ImportError(messages::Damaged(path_, "no workbook stream"));
        }
        const std::string_view entry(directory.data() + found, kEntryBytes);
        const std::uint64_t size = StreamSize(entry);
        if (size > kMaxWorkbookStreamBytes) {
            throw ImportError(messages::Damaged(path_, "workbook stream too large"));
        }
        WorkbookStream::Layout layout;
        layout.size = static_cast<std::size_t>(size);
        if (size < U32(header_, 56)) {
            layout.isSmall = true;
            layout.small = MiniStream(directory, U32(entry, 116), layout.size);
            return layout;
        }
        const std::size_t wanted = (layout.size + sectorBytes_ - 1) / sectorBytes_;
        layout.sectorBytes = sectorBytes_;
        for (const std::uint32_t sector :
             Chain(U32(entry, 116), fat_, static_cast<std::size_t>(sectors_), wanted, "workbook")) {
            layout.sectors.push_back((static_cast<std::uint64_t>(sector) + 1) * sectorBytes_);
        }
        return layout;
    }

  private:
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    [[noreturn]] void Damaged(const char* detail) const {
        throw ImportError(messages::Damaged(path_, detail));
    }

    void ReadAt(std::uint64_t offset, std::size_t length, char* out) const {
        import::ReadAt(fd_, path_, size_, offset, length, out);
    }

    void ReadHeader() {
        if (size_ < kHeaderBytes) {
            Damaged("compound file header cut short");
        }
        header_.resize(kHeaderBytes);
        ReadAt(0, kHeaderBytes, header_.data());
        const std::uint16_t shift = U16(header_, 30);
        if (U16(header_, 28) != 0xFFFE || (shift != 9 && shift != 12) || U16(header_, 32) != 6) {
            Damaged("compound file header");
        }
        sectorBytes_ = std::size_t{1} << shift;
        // The header takes the first sector; a cut last sector still counts.
        sectors_ = size_ <= sectorBytes_ ? 0 : (size_ - 1) / sectorBytes_;
        if (sectors_ >= kLastRegularSector) {
            Damaged("compound file too large");
        }
    }

    std::string Sector(std::uint32_t index) const {
        if (index >= sectors_) {
            Damaged("sector number past the end of the file");
        }
        std::string bytes(sectorBytes_, '\0');
        ReadAt((static_cast<std::uint64_t>(index) + 1) * sectorBytes_, sectorBytes_, bytes.data());
        return bytes;
    }

    // The FAT, from the sector numbers the header lists and the DIFAT
    // sectors chained after it.
    void ReadFat() {
        const std::uint32_t fatSectors = U32(header_, 44);
        if (fatSectors > sectors_) {
            Damaged("FAT larger than the file");
        }
        std::vector<std::uint32_t> where;
        for (std::size_t i = 0; i < kHeaderDifatEntries && where.size() < fatSectors; ++i) {
            where.push_back(U32(header_, 76 + 4 * i));
        }
        std::uint32_t next = U32(header_, 68);
        const std::size_t perDifat = sectorBytes_ / 4 - 1;
        std::vector<bool> seen(sectors_, false);
        while (where.size() < fatSectors) {
            if (next >= sectors_ || seen[next]) {
                Damaged("DIFAT chain");
            }
            seen[next] = true;
            const std::string difat = Sector(next);
            for (std::size_t i = 0; i < perDifat && where.size() < fatSectors; ++i) {
                where.push_back(U32(difat, 4 * i));
            }
            next = U32(difat, 4 * perDifat);
        }
        // Entries past the last sector of the file are of no use: kept out.
        fat_.reserve(static_cast<std::size_t>(sectors_));
        for (const std::uint32_t sector : where) {
            const std::string bytes = Sector(sector);
            for (std::size_t i = 0; i < sectorBytes_ / 4 && fat_.size() < sectors_; ++i) {
                fat_.push_back(U32(bytes, 4 * i));
            }
        }
    }

    // The sector numbers of the chain from `first` in `table`, each one
    // below `count` and met once. `wanted` 0: up to the end of the chain.
    std::vector<std::uint32_t> Chain(std::uint32_t first, const std::vector<std::uint32_t>& table,
                                     std::size_t count, std::size_t wanted,
                                     const char* what) const {
        std::vector<std::uint32_t> chain;
        std::vector<bool> seen(count, false);
        std::uint32_t at = first;
        while (wanted == 0 || chain.size() < wanted) {
            if (at == kEndOfChain && wanted == 0) {
                break;
            }
            if (at >= count || at >= table.size() || seen[at]) {
                Damaged(what);
            }
            seen[at] = true;
            chain.push_back(at);
            at = table[at];
        }
        return chain;
    }

    // The bytes of a chain of regular sectors, `size` of them (0: all).
    std::string ChainBytes(std::uint32_t first, const std::vector<std::uint32_t>& table,
                           std::size_t size, const char* what) const {
        const std::size_t wanted = (size + sectorBytes_ - 1) / sectorBytes_;
        if (size > 0 && wanted > sectors_) {
            Damaged(what);
        }
        const std::vector<std::uint32_t> chain =
            Chain(first, table, static_cast<std::size_t>(sectors_), wanted, what);
        std::string bytes(chain.size() * sectorBytes_, '\0');
        for (std::size_t i = 0; i < chain.size(); ++i) {
            ReadAt((static_cast<std::uint64_t>(chain[i]) + 1) * sectorBytes_, sectorBytes_,
                   bytes.data() + i * sectorBytes_);
        }
        if (size > 0) {
            bytes.resize(size);
        }
        return bytes;
    }

    std::uint64_t StreamSize(std::string_view entry) const {
        std::uint64_t size = U32(entry, 120);
        if (sectorBytes_ == 4096) {
            size |= static_cast<std::uint64_t>(U32(entry, 124)) << 32;
        }
        if (size > static_cast<std::uint64_t>(sectors_) * sectorBytes_) {
            Damaged("stream larger than the file");
        }
        return size;
    }

    // The offset in `directory` of the stream entry called `name` (any
    // case), npos when there is none. The tree of the directory is not
    // followed: every entry is looked at once.
    std::size_t FindEntry(const std::string& directory, std::u16string_view name) const {
        for (std::size_t at = 0; at + kEntryBytes <= directory.size(); at += kEntryBytes) {
            const std::string_view entry(directory.data() + at, kEntryBytes);
            const std::size_t length = U16(entry, 64);
            if (entry[66] != 2 || length != (name.size() + 1) * 2 || length > kMaxNameBytes) {
                continue;
            }
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i) {
                char16_t c = static_cast<char16_t>(U16(entry, 2 * i));
                if (c >= u'a' && c <= u'z') {
                    c = static_cast<char16_t>(c - 32);
                }
                char16_t n = name[i];
                if (n >= u'a' && n <= u'z') {
                    n = static_cast<char16_t>(n - 32);
                }
                same = c == n;
            }
            if (same) {
                return at;
            }
        }
        return std::string::npos;
    }

    // A small stream, kept in 64-byte sectors in the root entry's stream.
    std::string MiniStream(const std::string& directory, std::uint32_t first,
                           std::size_t size) const {
        if (directory.size() < kEntryBytes || directory[66] != 5) {
            Damaged("root entry");
        }
        const std::uint64_t rootSize = StreamSize(std::string_view(directory).substr(0, 128));
        const std::string root = ChainBytes(U32(directory, 116), fat_,
                                            static_cast<std::size_t>(rootSize), "mini stream");
        const std::string miniFatBytes = ChainBytes(U32(header_, 60), fat_, 0, "mini FAT");
        std::vector<std::uint32_t> miniFat;
        for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4) {
            miniFat.push_back(U32(miniFatBytes, i));
        }
        constexpr std::size_t kMini = 64;
        const std::size_t wanted = (size + kMini - 1) / kMini;
        const std::vector<std::uint32_t> chain =
            Chain(first, miniFat, root.size() / kMini, wanted, "mini stream chain");
        std::string bytes;
        bytes.reserve(chain.size() * kMini);
        for (const std::uint32_t sector : chain) {
            bytes.append(root, sector * kMini, kMini);
        }
        bytes.resize(size);
        return bytes;
    }

    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string header_;
    std::size_t sectorBytes_ = 512;
    std::uint64_t sectors_ = 0;
    std::vector<std::uint32_t> fat_;
};

}  // namespace

WorkbookStream::WorkbookStream(const std::string& path, bool bare) : path_(path), bare_(bare) {
    if (!bare) {
        Container container(path);
        layout_ = container.Read();
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
        const std::string reason = std::strerror(errno);
        if (fd_ >= 0) {
            ::close(fd_);
        }
        throw ImportError(messages::CannotOpen(path, reason));
    }
    if (bare) {
        layout_.size = static_cast<std::size_t>(info.st_size);
        if (layout_.size > kMaxWorkbookStreamBytes) {
            ::close(fd_);
            throw ImportError(messages::Damaged(path, "workbook stream too large"));
        }
    }
    size_ = layout_.size;
}

WorkbookStream::~WorkbookStream() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void WorkbookStream::Read(std::size_t offset, std::size_t length, std::string& out) const {
    if (offset >= size_) {
        return;
    }
    length = std::min(length, size_ - offset);
    if (layout_.isSmall) {
        out.append(layout_.small, offset, length);
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + length);
    char* to = out.data() + start;
    const auto fileSize = static_cast<std::uint64_t>(-1);  // zeros come from pread's end
    while (length > 0) {
        std::uint64_t from = offset;
        std::size_t run = length;
        if (!bare_) {
            const std::size_t bytes = layout_.sectorBytes;
            std::size_t sector = offset / bytes;
            from = layout_.sectors[sector] + offset % bytes;
            run = std::min(length, bytes - offset % bytes);
            // Sectors one after another in the file are read at once.
            while (run < length && sector + 1 < layout_.sectors.size() &&
                   layout_.sectors[sector + 1] == layout_.sectors[sector] + bytes) {
                ++sector;
                run = std::min(length, run + bytes);
            }
        }
        ReadAt(fd_, path_, fileSize, from, run, to);
        to += run;
        offset += run;
        length -= run;
    }
}

}  // namespace vantrel::import
