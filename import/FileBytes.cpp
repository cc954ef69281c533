#include "FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "EncodingTally.h"
#include "ImportError.h"
#include "ImportMessages.h"
#include "ReaderMessages.h"

namespace vantrel::import {

FileBytes::FileBytes(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw ImportError(messages::CannotOpen(path, std::strerror(errno)));
    }
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd_);
        throw ImportError(messages::CannotOpen(path, std::strerror(EISDIR)));
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
}

FileBytes::~FileBytes() {
    ::close(fd_);
}

void FileBytes::Rewind() {
    if (::lseek(fd_, 0, SEEK_SET) != 0) {
        throw ImportError(messages::ReadFailed(path_, std::strerror(errno)));
    }
    consumed_ = 0;
    next_ = end_ = buffer_;
}

bool FileBytes::Fill() {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw ImportError(messages::ReadFailed(path_, std::strerror(errno)));
        }
        next_ = buffer_;
        end_ = buffer_ + got;
        consumed_ += static_cast<std::uint64_t>(got);
        return got > 0;
    }
}

TextEncoding ReadEncoding(FileBytes& file, const std::string& path) {
    text::EncodingTally tally;
    for (std::string_view block = file.Block(); !block.empty(); block = file.Block()) {
        tally.Feed(block);
    }
    tally.Finish();
    file.Rewind();
    if (tally.FirstNulLine() != 0) {
        throw ImportError(messages::NulByte(path, tally.FirstNulLine()));
    }
    switch (tally.Result()) {
        case text::EncodingTally::Verdict::Utf8:
            return TextEncoding::Utf8;
        case text::EncodingTally::Verdict::MostlyUtf8:
            return TextEncoding::Utf8StrayBytes;
        case text::EncodingTally::Verdict::Neither:
            throw ImportError(messages::NeitherEncoding(path, tally.FirstNonGbkLine()));
        default:
            return TextEncoding::Gbk;
    }
}

}  // namespace vantrel::import
