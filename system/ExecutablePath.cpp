#include "ExecutablePath.h"

#include <filesystem>
#include <system_error>

#include "SystemError.h"

namespace vantrel::system {

std::string BesideExecutable(std::string_view fileName) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !self.has_parent_path()) {
        throw SystemError("Cannot read the path of the running executable" +
                          (error ? ": " + error.message() : std::string()));
    }
    return (self.parent_path() / fileName).string();
}

}  // namespace vantrel::system
