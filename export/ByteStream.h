#pragma once
// Where a writer puts its bytes. Every writer writes to a byte stream; a file
// is only opened and closed around it.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::exporter {

class ByteStream {
  public:
    virtual ~ByteStream() = default;
    // Writes every byte or throws ExportError.
    virtual void Write(std::string_view bytes) = 0;
};

// Bytes kept in memory, in blocks of 8 x 128 KiB: the capacity is always a
// whole multiple of 128 KiB and growing it never copies what is already held.
class MemoryStream : public ByteStream {
  public:
    static constexpr std::size_t kGrain = 128 * 1024;
    static constexpr std::size_t kBlock = 8 * kGrain;
    void Write(std::string_view bytes) override;
    std::size_t Size() const { return size_; }
    // Everything written, in one string.
    std::string Bytes() const;
    // Writes everything held to `out`, block by block.
    void CopyTo(ByteStream& out) const;

  private:
    std::vector<std::string> blocks_;
    std::size_t size_ = 0;
};

// A file created (or emptied) at construction and closed at destruction,
// also when a failure passes through. Writes are buffered.
class FileStream : public ByteStream {
  public:
    // Throws ExportError when the file cannot be created.
    explicit FileStream(const std::string& path);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    void Write(std::string_view bytes) override;
    // Writes out the buffer and closes the file; throws ExportError when the
    // bytes cannot be written. The destructor closes without reporting.
    void Close();

  private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

}  // namespace vantrel::exporter
