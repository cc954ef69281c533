#include "TByteStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ExportError.h"

namespace vantrel::exporter {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw ExportError(what + " \"" + path + "\": " + std::strerror(error));
}

}  // namespace

void TMemoryStream::Write(std::string_view bytes) {
    const std::size_t needed = bytes_.size() + bytes.size();
    if (needed > bytes_.capacity()) {
        std::size_t capacity = std::max(needed, bytes_.capacity() * 2);
        capacity = (capacity + kGrain - 1) / kGrain * kGrain;
        bytes_.reserve(capacity);
    }
    bytes_.append(bytes);
}

TFileStream::TFileStream(const std::string& path) : path_(path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        Fail("Cannot create file", path, errno);
    }
}

TFileStream::~TFileStream() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void TFileStream::Write(std::string_view bytes) {
    if (file_ == nullptr) {
        throw ExportError("Write to a closed file \"" + path_ + "\"");
    }
    if (bytes.empty()) {
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        Fail("Cannot write file", path_, errno);
    }
}

void TFileStream::Close() {
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
