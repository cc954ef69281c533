#include "ImportCommand.h"

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <new>

#include "AccessImport.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "ImportMessages.h"
#include "ImportRun.h"
#include "InventoryDatabase.h"
#include "InventoryLock.h"
#include "InventoryMerge.h"
#include "SheetReader.h"

namespace vantrel::app {

namespace {

// A line of GBK text: as it is into a file or pipe (a script reads what
// the program's other texts are), as UTF-8 on a terminal.
void PrintLine(std::FILE* stream, const std::string& gbk) {
    const std::string text = ::isatty(::fileno(stream)) != 0 ? text::GbkToUtf8(gbk) : gbk;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Why the import was refused, named as the program's other errors are.
void PrintReason(std::FILE* stream, const std::string& gbk) {
    PrintLine(stream, "vantrel: " + gbk);
}

// The index of the sheet named `name` (UTF-8 as typed); nullopt with the
// names there are in `error` when the file has none of that name.
std::optional<std::size_t> SheetIndex(const std::string& file, const std::string& name,
                                      std::string& error) {
    const std::vector<std::string> names = import::SheetNames(file);
    const std::string wanted = text::Utf8ToGbk(name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == wanted) {
            return i;
        }
    }
    error = import::messages::FileName(file) + u8" 中没有名为“"_gbk + wanted + u8"”的工作表"_gbk;
    std::string list;
    for (const std::string& sheet : names) {
        list += (list.empty() ? "" : u8"、"_gbk) + sheet;
    }
    if (!list.empty()) {
        error += u8"（有："_gbk + list + u8"）"_gbk;
    }
    return std::nullopt;
}

std::string PathText(const std::string& path) {
    return text::Utf8ToGbk(path);
}

int Import(const ImportCommandLine& line, const std::string& databasePath, std::FILE* out,
           std::FILE* err) {
    // Refused before anything is read: the running program writes the
    // inventory, and two imports at once would wait on each other.
    const InventoryLock lock(databasePath, InventoryLock::Mode::Exclusive);
    if (!lock.Taken()) {
        PrintReason(err, u8"Vantrel 正在运行并使用 "_gbk + PathText(databasePath) +
                             u8"，导入未进行。请关闭程序后再导入，或在程序中用“导入”。"_gbk);
        return kImportRefused;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(databasePath, error)) {
        PrintReason(err, u8"找不到库存数据库 "_gbk + PathText(databasePath) +
                             u8"：请先启动一次 Vantrel 新建它。"_gbk);
        return kImportRefused;
    }
    // An inventory still kept in Access is converted as start-up does.
    if (const auto converted = import::AccessImport::ConvertIfAccess(databasePath)) {
        for (const std::string& logLine : converted->LogLines(databasePath)) {
            PrintLine(out, logLine);
        }
    }
    store::InventoryDatabase database;
    database.Open(databasePath);
    if (const std::string reason = database.ReadOnlyReason(); !reason.empty()) {
        PrintReason(err, u8"无法写入库存数据库："_gbk + reason);
        return kImportRefused;
    }
    std::size_t sheet = 0;
    if (line.sheet) {
        std::string missing;
        const std::optional<std::size_t> index = SheetIndex(line.file, *line.sheet, missing);
        if (!index) {
            PrintReason(err, missing);
            return kImportRefused;
        }
        sheet = *index;
    }
    const import::SheetPreview preview = import::ReadPreview(line.file, sheet);
    store::InventoryMerge merge(database);
    import::RunOptions options;
    options.updateExisting = !line.addOnly;
    options.write = true;
    const std::string fileName = import::messages::FileName(line.file);
    options.address = import::HistoryAddress(fileName);
    const import::ImportCounts counts =
        import::RunImport(line.file, sheet, preview.mapping, merge, options);
    PrintLine(out, import::CountsLine(counts));
    for (const std::string& rowLine : import::RowLines(counts)) {
        PrintLine(out, rowLine);
    }
    PrintLine(out, import::SummaryLine(fileName, counts));
    return kImportDone;
}

}  // namespace

bool AsksForImport(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--import" || argument == "--add-only" || argument == "--sheet") {
            return true;
        }
    }
    return false;
}

std::optional<ImportCommandLine> ParseImportCommand(const std::vector<std::string>& arguments,
                                                    std::string& error) {
    ImportCommandLine line;
    bool file = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "--import" || argument == "--sheet";
        if (takesValue && i + 1 == arguments.size()) {
            error = argument + " needs a value";
            return std::nullopt;
        }
        if (argument == "--import" && !file) {
            line.file = arguments[++i];
            file = true;
        } else if (argument == "--sheet" && !line.sheet) {
            line.sheet = arguments[++i];
        } else if (argument == "--add-only" && !line.addOnly) {
            line.addOnly = true;
        } else if (takesValue || argument == "--add-only") {
            error = argument + " given twice";
            return std::nullopt;
        } else {
            error = "unknown option " + argument + " with --import";
            return std::nullopt;
        }
    }
    if (!file || line.file.empty()) {
        error = "--import needs a file";
        return std::nullopt;
    }
    return line;
}

int RunImportCommand(const ImportCommandLine& line, const std::string& databasePath, std::FILE* out,
                     std::FILE* err) {
    try {
        return Import(line, databasePath, out, err);
    } catch (const std::bad_alloc&) {
        PrintReason(err, u8"内存不足，导入未完成，库存没有任何改动。"_gbk);
        return kImportRefused;
    } catch (const std::exception& failure) {
        // A file that cannot be read, an inventory that cannot be opened or
        // written: nothing was stored.
        std::string reason = failure.what();
        PrintReason(err, reason.empty() ? u8"导入失败"_gbk : reason);
        return kImportRefused;
    }
}

}  // namespace vantrel::app
