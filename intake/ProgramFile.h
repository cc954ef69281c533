#pragma once
// The files the intake serves from beside the program: the collectors.

#include <string>

namespace vantrel::intake {

// The whole of `fileName` from beside the running executable, or of `path`
// when one is given (tests). Throws IntakeError naming the file when it is
// missing, not a regular file, cannot be read, or the program's own path is
// unknown.
std::string ReadProgramFile(const std::string& path, const char* fileName);

}  // namespace vantrel::intake
