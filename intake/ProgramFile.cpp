#include "ProgramFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ExecutablePath.h"
#include "IntakeError.h"
#include "SystemError.h"

namespace vantrel::intake {

std::string ReadProgramFile(const std::string& path, const char* fileName) {
    std::string file = path;
    if (file.empty()) {
        try {
            file = system::BesideExecutable(fileName);
        } catch (const system::SystemError& error) {
            throw IntakeError(error.what());
        }
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw IntakeError(std::string("File \"") + fileName + "\" not found");
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        throw IntakeError(std::string("Could not read file \"") + fileName + "\"");
    }
    return bytes;
}

}  // namespace vantrel::intake
