#include "AccessFrames.h"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vantrel::import {

namespace {

constexpr std::size_t kFlushAt = 256 * 1024;

}  // namespace

std::uint32_t AccessFrames::Get32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

void AccessFrames::Put32(std::size_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out_ += static_cast<char>((v >> shift) & 0xFF);
    }
}

void AccessFrames::Begin(char tag) {
    frameStart_ = out_.size();
    out_ += tag;
    Put32(0);
}

void AccessFrames::End() {
    const std::size_t length = out_.size() - frameStart_ - kHeaderBytes;
    for (int i = 0; i < 4; ++i) {
        out_[frameStart_ + 1 + static_cast<std::size_t>(i)] =
            static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    if (out_.size() >= kFlushAt && !Flush()) {
        throw std::runtime_error("the reader of the rows has gone");
    }
}

void AccessFrames::Table(bool jet3, std::size_t expectedRows, const std::vector<bool>& storedText) {
    Begin(kTable);
    out_ += static_cast<char>(jet3 ? 1 : 0);
    Put32(expectedRows);
    out_ += static_cast<char>(storedText.size());
    for (bool stored : storedText) {
        out_ += static_cast<char>(stored ? 1 : 0);
    }
    End();
}

bool AccessFrames::Row(const AccessTable::Row& values) {
    std::size_t size = 0;
    for (const auto& value : values) {
        size += 5 + (value ? value->size() : 0);
    }
    if (size > kMaxFrameBytes) {
        return false;
    }
    Begin(kRow);
    for (const auto& value : values) {
        out_ += static_cast<char>(value ? 1 : 0);
        if (value) {
            Put32(value->size());
            out_ += *value;
        }
    }
    End();
    return true;
}

void AccessFrames::Error(AccessTable::Error::Kind kind, std::size_t row, std::size_t expectedRows,
                         const std::string& message) {
    Begin(kError);
    out_ += static_cast<char>(kind);
    Put32(row);
    Put32(expectedRows);
    out_ += message.substr(0, 4096);
    End();
}

void AccessFrames::Done(std::size_t rows) {
    Begin(kDone);
    Put32(rows);
    End();
}

bool AccessFrames::Flush() {
    std::size_t written = 0;
    while (written < out_.size()) {
        const ssize_t n = ::write(fd_, out_.data() + written, out_.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    out_.clear();
    return true;
}

}  // namespace vantrel::import
