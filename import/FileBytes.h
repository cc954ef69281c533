#pragma once
// A file read front to back through a buffer, for the readers that scan
// bytes. A read error (a file that cannot be read on, a device gone) is
// an ImportError, never a short file taken for whole.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::import {

class FileBytes {
  public:
    // Throws ImportError naming the file when it cannot be opened.
    explicit FileBytes(const std::string& path);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // The next byte, or -1 at the end.
    int Get() {
        if (next_ == end_ && !Fill()) {
            return -1;
        }
        return static_cast<unsigned char>(*next_++);
    }
    int Peek() {
        if (next_ == end_ && !Fill()) {
            return -1;
        }
        return static_cast<unsigned char>(*next_);
    }
    // The bytes buffered after the last one taken, all taken at once;
    // empty at the end.
    std::string_view Block() {
        if (next_ == end_ && !Fill()) {
            return {};
        }
        const std::string_view block(next_, static_cast<std::size_t>(end_ - next_));
        next_ = end_;
        return block;
    }
    // Back to the first byte.
    void Rewind();
    std::uint64_t Offset() const { return consumed_ - static_cast<std::uint64_t>(end_ - next_); }
    std::uint64_t Size() const { return size_; }

  private:
    bool Fill();

    int fd_ = -1;
    std::string path_;
    std::uint64_t size_ = 0;
    std::uint64_t consumed_ = 0;  // bytes read into the buffer so far
    char buffer_[1 << 16];
    const char* next_ = buffer_;
    const char* end_ = buffer_;
};

// How a list or a web page is encoded, told from all of it.
enum class TextEncoding {
    Gbk,             // GBK, or plain ASCII
    Utf8,            // UTF-8 throughout
    Utf8StrayBytes,  // UTF-8, but some lines hold bytes that are not: the
                     // reader makes each row with such a cell a problem row
};

// Reads the whole file and rewinds it. Throws ImportError for a NUL byte
// anywhere, and for a file that is neither UTF-8 nor GBK, naming the first
// line that fits neither.
TextEncoding ReadEncoding(FileBytes& file, const std::string& path);

}  // namespace vantrel::import
