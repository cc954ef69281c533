#include "InventoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace vantrel::app {

InventoryLock::InventoryLock(const std::string& databasePath, Mode mode) {
    std::filesystem::path folder = std::filesystem::path(databasePath).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    const int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    int result = 0;
    do {
        result = ::flock(fd_, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        taken_ = errno != EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
    }
}

InventoryLock::~InventoryLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

}  // namespace vantrel::app
