#pragma once
// `vantrel --import FILE [--add-only] [--sheet NAME]`: the window's import
// without the window, for a script that brings in a list another system
// writes every night. It merges the file into db.mdb as the import
// preview's 导入 does, prints the counts the preview shows and the line the
// event log gets, and is refused while a running program holds the
// inventory. Output is GBK bytes, or UTF-8 on a terminal.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::app {

struct ImportCommandLine {
    std::string file;
    bool addOnly = false;              // 只添加新记录
    std::optional<std::string> sheet;  // the sheet's name, as typed (UTF-8)
};

// Exit statuses of the command.
inline constexpr int kImportDone = 0;
inline constexpr int kImportRefused = 1;  // the file, the inventory or its folder
inline constexpr int kImportUsage = 2;

// Whether the program's arguments (without the program's name) ask for an
// import: any of them is --import, --add-only or --sheet.
bool AsksForImport(const std::vector<std::string>& arguments);

// The command line of an import; nullopt, with the reason in `error`, when
// it is wrong: no file, an option twice or unknown, an option without its
// value.
std::optional<ImportCommandLine> ParseImportCommand(const std::vector<std::string>& arguments,
                                                    std::string& error);

// Runs the import into `databasePath`; what it did goes to `out`, why it
// was refused to `err`. Returns kImportDone or kImportRefused.
int RunImportCommand(const ImportCommandLine& line, const std::string& databasePath, std::FILE* out,
                     std::FILE* err);

}  // namespace vantrel::app
