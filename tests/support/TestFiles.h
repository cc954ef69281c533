#pragma once
// Whole files for tests.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vantrel::testsupport {

// A whole file's bytes; "" when it cannot be opened.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace vantrel::testsupport
