#pragma once
// Where a writer puts its bytes. Every writer writes to a byte stream; a file
// is only opened and closed around it.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace vantrel::exporter {

class TByteStream {
  public:
    virtual ~TByteStream() = default;
    // Writes every byte or throws ExportError.
    virtual void Write(std::string_view bytes) = 0;
};

// Bytes kept in memory. Its capacity grows in whole multiples of 128 KiB, at
// least doubling, so that a large body costs few copies.
class TMemoryStream : public TByteStream {
  public:
    static constexpr std::size_t kGrain = 128 * 1024;
    void Write(std::string_view bytes) override;
    const std::string& Bytes() const { return bytes_; }
    void Clear() { std::string().swap(bytes_); }

  private:
    std::string bytes_;
};

// A file created (or emptied) at construction and closed at destruction,
// also when a failure passes through. Writes are buffered.
class TFileStream : public TByteStream {
  public:
    // Throws ExportError when the file cannot be created.
    explicit TFileStream(const std::string& path);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    void Write(std::string_view bytes) override;
    // Writes out the buffer and closes the file; throws ExportError when the
    // bytes cannot be written. The destructor closes without reporting.
    void Close();

  private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

}  // namespace vantrel::exporter
