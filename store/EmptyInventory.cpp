#include "EmptyInventory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "NewInventory.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// Gives `from` the name `to` unless `to` is taken. Where the file system
// cannot rename without replacing, a hard link does the same.
void RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        throw std::system_error(errno, std::generic_category(), to);
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), to);
    }
    ::unlink(from.c_str());
}

void SyncFolderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), folder.string());
    }
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (rc != 0) {
        throw std::system_error(error, std::generic_category(), folder.string());
    }
}

}  // namespace

void CreateEmptyInventory(const std::string& path) {
    // A temporary name left by an earlier failed attempt is never reused:
    // it might be somebody else's file.
    for (int attempt = 0;; ++attempt) {
        const std::string temporary =
            path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        std::unique_ptr<NewInventory> inventory;
        try {
            inventory = std::make_unique<NewInventory>(temporary, 0644);
        } catch (const std::system_error& error) {
            if (error.code().value() == EEXIST && attempt < 100) {
                continue;
            }
            throw;
        }
        // Begin and Finish write table ip and its indexes and sync the file.
        inventory->Begin();
        inventory->Finish();
        RenameNoReplace(temporary, path);
        inventory->Release();
        break;
    }
    SyncFolderOf(path);
}

}  // namespace vantrel::store
