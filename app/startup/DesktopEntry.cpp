#include "DesktopEntry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace vantrel::app {

namespace {

void CheckPath(const std::string& path) {
    if (path.empty() || path.front() != '/') {
        throw std::invalid_argument("not an absolute path: " + path);
    }
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            throw std::invalid_argument("a desktop entry cannot hold this path: " + path);
        }
    }
}

// A value of type string: backslashes doubled.
std::string StringValue(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        if (c == '\\') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

// The program quoted as one argument of Exec: inside double quotes, '"',
// '`', '$' and '\' take a backslash, '%' is doubled; then the whole is a
// string value, which doubles every backslash again.
std::string ExecValue(const std::string& program) {
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';
    return StringValue(quoted);
}

}  // namespace

std::string DesktopEntryText(const std::string& program, const std::string& icon) {
    CheckPath(program);
    CheckPath(icon);
    const std::string folder = std::filesystem::path(program).parent_path().string();
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=Vantrel\n"
           "GenericName=PC Inventory\n"
           "GenericName[zh_CN]=电脑硬件信息登记\n"
           "Comment=Keeps the inventory of the office network's PCs\n"
           "Comment[zh_CN]=收集并管理办公室网络中各台电脑的硬件信息\n"
           "Exec=" +
           ExecValue(program) +
           "\n"
           "Path=" +
           StringValue(folder) +
           "\n"
           "Icon=" +
           StringValue(icon) +
           "\n"
           "Terminal=false\n"
           "Categories=Office;\n"
           "StartupNotify=true\n";
}

std::optional<std::string> DesktopEntryPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (data != nullptr && data[0] == '/') {
        base = data;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        return std::nullopt;
    }
    return (base / "applications" / "vantrel.desktop").string();
}

void WriteDesktopEntry(const std::string& path, const std::string& text) {
    const std::filesystem::path target(path);
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        throw std::system_error(error, target.parent_path().string());
    }
    const std::string temporary = path + ".new-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), temporary);
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int failure = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            throw std::system_error(failure, std::generic_category(), temporary);
        }
        written += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    const int failure = errno;
    ::close(fd);
    if (!synced || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = synced ? errno : failure;
        ::unlink(temporary.c_str());
        throw std::system_error(code, std::generic_category(), path);
    }
}

bool RemoveDesktopEntry(const std::string& path) {
    if (::unlink(path.c_str()) == 0) {
        return true;
    }
    if (errno == ENOENT) {
        return false;
    }
    throw std::system_error(errno, std::generic_category(), path);
}

}  // namespace vantrel::app
