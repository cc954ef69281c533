#include "FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "CellText.h"
#include "ImportError.h"
#include "ImportMessages.h"

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

bool IsUtf8Text(FileBytes& file) {
    Utf8Check check;
    for (std::string_view block = file.Block(); !block.empty() && !check.Failed();
         block = file.Block()) {
        check.Feed(block);
    }
    file.Rewind();
    return check.Valid() && check.SawNonAscii();
}

}  // namespace vantrel::import
