#include "DurableFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vantrel::store {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // close() reports a failed delayed write on some file systems.
    void Close(const std::string& what) {
        int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) {
            Fail(what);
        }
    }

  private:
    int fd_;
};

void SyncDescriptor(const std::string& path, int flags) {
    Descriptor fd(open(path.c_str(), flags | O_CLOEXEC));
    if (fd.get() < 0) {
        Fail(path);
    }
    if (fsync(fd.get()) != 0) {
        Fail(path);
    }
    fd.Close(path);
}

// Copies the bytes of `from` to the new file `to` (mode as the original's)
// and syncs them; on failure `to` is removed.
void CopyBytes(const std::string& from, const std::string& to) {
    Descriptor in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (in.get() < 0 || fstat(in.get(), &status) != 0) {
        Fail(from);
    }
    Descriptor out(
        open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 07777));
    if (out.get() < 0) {
        Fail(to);
    }
    try {
        char buffer[64 * 1024];
        for (;;) {
            ssize_t got = read(in.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                Fail(from);
            }
            if (got == 0) {
                break;
            }
            for (ssize_t done = 0; done < got;) {
                ssize_t put = write(out.get(), buffer + done, static_cast<std::size_t>(got - done));
                if (put < 0 && errno != EINTR) {
                    Fail(to);
                }
                done += put > 0 ? put : 0;
            }
        }
        if (fsync(out.get()) != 0) {
            Fail(to);
        }
        out.Close(to);
    } catch (...) {
        unlink(to.c_str());
        throw;
    }
}

}  // namespace

void SyncFile(const std::string& path) {
    SyncDescriptor(path, O_RDONLY);
}

void SyncFolder(const std::string& folder) {
    SyncDescriptor(folder, O_RDONLY | O_DIRECTORY);
}

std::string FolderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsHardLinkOf(const std::string& name, const std::string& path) {
    struct stat first {};
    struct stat second {};
    return lstat(name.c_str(), &first) == 0 && S_ISREG(first.st_mode) &&
           lstat(path.c_str(), &second) == 0 && S_ISREG(second.st_mode) &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool NameTaken(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 || errno != ENOENT;
}

void AddName(const std::string& from, const std::string& to, const std::string& scratch) {
    if (link(from.c_str(), to.c_str()) != 0) {
        // FAT, exFAT and some network shares have no hard links.
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK && errno != ENOSYS) {
            Fail(to);
        }
        if (NameTaken(to)) {
            errno = EEXIST;
            Fail(to);
        }
        RemoveName(scratch);
        CopyBytes(from, scratch);
        if (rename(scratch.c_str(), to.c_str()) != 0) {
            const int error = errno;
            unlink(scratch.c_str());
            errno = error;
            Fail(to);
        }
    }
    try {
        SyncFolder(FolderOf(to));
    } catch (...) {
        unlink(to.c_str());
        throw;
    }
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    if (rename(from.c_str(), to.c_str()) != 0) {
        Fail(to);
    }
    try {
        SyncFolder(FolderOf(to));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void RemoveName(const std::string& path) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        Fail(path);
    }
}

}  // namespace vantrel::store
