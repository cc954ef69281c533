#include "ByteStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ExportError.h"

namespace vantrel::exporter {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw ExportError(what + " " + QuotedPath(path) + ": " + std::strerror(error));
}

}  // namespace

void MemoryStream::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        if (blocks_.empty() || blocks_.back().size() == kBlock) {
            blocks_.emplace_back().reserve(kBlock);
        }
        std::string& block = blocks_.back();
        const std::size_t part = std::min(bytes.size(), kBlock - block.size());
        block.append(bytes.substr(0, part));
        bytes.remove_prefix(part);
        size_ += part;
    }
}

std::string MemoryStream::Bytes() const {
    std::string all;
    all.reserve(size_);
    for (const std::string& block : blocks_) {
        all += block;
    }
    return all;
}

void MemoryStream::CopyTo(ByteStream& out) const {
    for (const std::string& block : blocks_) {
        out.Write(block);
    }
}

FileStream::FileStream(const std::string& path) : path_(path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        Fail("Cannot create file", path, errno);
    }
    std::setvbuf(file_, nullptr, _IOFBF, 64 * 1024);
}

FileStream::~FileStream() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void FileStream::Write(std::string_view bytes) {
    if (file_ == nullptr) {
        throw ExportError("Write to a closed file " + QuotedPath(path_));
    }
    if (bytes.empty()) {
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        Fail("Cannot write file", path_, errno);
    }
}

void FileStream::Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file == nullptr) {
        return;
    }
    const bool flushed = std::fflush(file) == 0;
    const int error = errno;
    if (std::fclose(file) != 0 || !flushed) {
        Fail("Cannot write file", path_, flushed ? errno : error);
    }
}

}  // namespace vantrel::exporter
