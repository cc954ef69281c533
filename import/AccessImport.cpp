#include "AccessImport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <system_error>

#include "AccessTable.h"
#include "AccessTableChild.h"
#include "ChildProcess.h"
#include "DurableFiles.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "ImportError.h"
#include "IpColumns.h"
#include "NewInventory.h"
#include "StoreError.h"

namespace vantrel::import {

using store::AddName;
using store::FolderOf;
using store::IsHardLinkOf;
using store::NameTaken;
using store::NewInventory;
using store::RemoveName;
using store::ReplaceWith;

namespace {

// The seventeen columns of table ip, in the table's order.
std::vector<std::string> ColumnNames() {
    std::vector<std::string> names;
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        names.emplace_back(column.name);
    }
    return names;
}

// Further names for the Access file: .access, then .access.1, .2 ...
constexpr int kMaxKeptNames = 1000;

// 原文件未作改动。
const std::string& kUnchanged = u8"原文件未作改动。"_gbk;

// File names here are UTF-8; messages are GBK.
std::string Shown(const std::string& path) {
    return text::Utf8ToGbk(path, nullptr);
}

std::string BaseName(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadMessage(const std::string& path, const AccessTable::Error& error,
                        std::size_t rowsRead, std::size_t expectedRows) {
    const std::string file = Shown(path);
    switch (error.kind()) {
        case AccessTable::Error::Kind::CannotOpen:
            // 无法把 … 作为 Access 数据库打开：文件已损坏，或不是能读取的 Access 格式。
            return u8"无法把 "_gbk + file +
                   u8" 作为 Access 数据库打开：文件已损坏，或不是能读取的 Access 格式。"_gbk +
                   kUnchanged;
        case AccessTable::Error::Kind::NoTable:
            // Access 数据库 … 中没有表 ip，无法转换。
            return u8"Access 数据库 "_gbk + file + u8" 中没有表 ip，无法转换。"_gbk + kUnchanged;
        case AccessTable::Error::Kind::ValueTooLong:
            // Access 数据库 … 的表 ip 第 n 条记录中有一个值过长，无法完整读取，未能转换。
            return u8"Access 数据库 "_gbk + file + u8" 的表 ip 第 "_gbk + std::to_string(rowsRead) +
                   u8" 条记录中有一个值过长，无法完整读取，未能转换。"_gbk + kUnchanged;
        case AccessTable::Error::Kind::NoColumns:
            return u8"Access 数据库 "_gbk + file +
                   u8" 的表 ip 中找不到本程序的任何一列（pcname、mac、bm 等），"
                   u8"文件可能已损坏，无法转换。"_gbk +
                   kUnchanged;
        case AccessTable::Error::Kind::TooManyRows:
            return u8"Access 数据库 "_gbk + file + u8" 的表 ip 读出的记录多于表定义记录的 "_gbk +
                   std::to_string(expectedRows) + u8" 条，文件已损坏，未能转换。"_gbk + kUnchanged;
        case AccessTable::Error::Kind::ValueUnreadable:
            return u8"Access 数据库 "_gbk + file + u8" 的表 ip 第 "_gbk + std::to_string(rowsRead) +
                   u8" 条记录中有一个备注或长文本无法完整读取，文件已损坏，未能转换。"_gbk +
                   kUnchanged;
        case AccessTable::Error::Kind::EmptyRow:
            return u8"Access 数据库 "_gbk + file + u8" 的表 ip 第 "_gbk + std::to_string(rowsRead) +
                   u8" 条记录中没有任何可读的值，文件已损坏，未能转换。"_gbk + kUnchanged;
        case AccessTable::Error::Kind::BadDefinition:
            return u8"Access 数据库 "_gbk + file +
                   u8" 的表 ip 的定义前后不一致（某一列的类型、长度或编号有误），"
                   u8"文件已损坏，未能转换。"_gbk +
                   kUnchanged;
        case AccessTable::Error::Kind::RowMismatch:
            return u8"Access 数据库 "_gbk + file + u8" 的表 ip 第 "_gbk + std::to_string(rowsRead) +
                   u8" 条记录与表的定义不符（有值的列读出为空），文件已损坏，未能转换。"_gbk +
                   kUnchanged;
        case AccessTable::Error::Kind::ReadFailed:
            break;
    }
    // 读取 Access 数据库 … 的表 ip 时中途出错（已读 a 条记录，共 b 条），未能转换。
    std::string message = u8"读取 Access 数据库 "_gbk + file + u8" 的表 ip 时中途出错"_gbk;
    if (expectedRows > 0) {
        message += u8"（已读 "_gbk + std::to_string(rowsRead) + u8" 条记录，共 "_gbk +
                   std::to_string(expectedRows) + u8" 条）"_gbk;
    }
    return message + u8"，未能转换。"_gbk + kUnchanged;
}

// 无法在文件夹 … 中写入转换后的数据库：<system message>。
std::string FolderMessage(const std::string& folder, const std::system_error& error) {
    return u8"无法在文件夹 "_gbk + Shown(folder) + u8" 中写入转换后的数据库："_gbk +
           Shown(error.code().message()) + u8"。"_gbk + kUnchanged;
}

// 写入转换后的数据库 … 时出错：<message>。
std::string WriteMessage(const std::string& path, const std::string& detail) {
    return u8"写入转换后的数据库 "_gbk + Shown(path) + u8" 时出错："_gbk + Shown(detail) +
           u8"。"_gbk + kUnchanged;
}

[[noreturn]] void ThrowSystem(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// The first further name that is free, or one that already is a second name
// of the Access file (left by a conversion that stopped before the rename).
std::string KeptNameFor(const std::string& path, bool& alreadyThere) {
    for (int n = 0; n < kMaxKeptNames; ++n) {
        std::string name = path + ".access";
        if (n > 0) {
            // Appended in two steps: GCC 12 warns falsely (-Wrestrict) on
            // "." + std::to_string(n) here in an optimised build.
            name += '.';
            name += std::to_string(n);
        }
        if (!NameTaken(name)) {
            alreadyThere = false;
            return name;
        }
        if (IsHardLinkOf(name, path)) {
            alreadyThere = true;
            return name;
        }
    }
    errno = EEXIST;
    ThrowSystem(path + ".access");
}

void Notify(const AccessImport::Observer& observer, AccessImport::Step step) {
    if (observer) {
        observer(step);
    }
}

// Copies every row; `rowsRead` and `replaced` count what was read and
// converted, also when it throws (the reading's AccessTable::Error or
// ChildProcess::Failure, or the writing's). The reader in its child process
// reads ahead into the pipe while this side converts and writes.
void CopyRows(AccessTableChild& table, NewInventory& inventory,
              const AccessImport::Observer& observer, std::size_t& rowsRead,
              std::size_t& replaced) {
    std::vector<bool> stored;
    for (std::size_t i = 0; i < protocol::kIpColumnCount; ++i) {
        stored.push_back(table.IsStoredText(i));
    }
    AccessTable::Row row;
    while (table.Next(row)) {
        ++rowsRead;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (row[i] && stored[i]) {
                std::size_t marks = 0;
                AccessTable::ToGbk(*row[i], table.Jet3(), &marks);
                replaced += marks;
                if (row[i]->empty()) {
                    row[i].reset();
                }
            }
        }
        inventory.Insert(row);
        Notify(observer, AccessImport::Step::RowWritten);
    }
}

// The reader's first line of standard error, for the administrator to pass
// on; "" when it wrote none.
std::string FirstErrorLine(const std::string& errorText) {
    std::string line = errorText.substr(0, errorText.find('\n'));
    constexpr std::size_t kLongest = 160;
    if (line.size() > kLongest) {
        line.resize(kLongest);
        line += "...";
    }
    return line;
}

// Why the reader in its child process did not finish.
std::string ChildMessage(const std::string& path, const ChildProcess::Failure& failure,
                         const ChildProcess::Limits& limits) {
    const std::string& errorText = failure.errorText();
    using Kind = ChildProcess::Failure::Kind;
    const std::string file = Shown(path);
    Kind kind = failure.kind();
    // Under an address-space limit a refused allocation ends the reader
    // through GLib's abort rather than the resident-size check.
    if ((kind == Kind::Signalled || kind == Kind::ExitStatus) &&
        (errorText.find("failed to allocate") != std::string::npos ||
         errorText.find("out of memory") != std::string::npos)) {
        kind = Kind::OverMemory;
    }
    std::string message;
    switch (kind) {
        case Kind::TimedOut:
            // 读取 Access 数据库 … 超过 n 秒仍未结束，已中止：文件可能已损坏，未能转换。
            message = u8"读取 Access 数据库 "_gbk + file + u8" 超过 "_gbk +
                      std::to_string(
                          std::chrono::duration_cast<std::chrono::seconds>(limits.time).count()) +
                      u8" 秒仍未结束，已中止：文件可能已损坏，未能转换。"_gbk;
            break;
        case Kind::OverMemory:
            message = u8"读取 Access 数据库 "_gbk + file + u8" 用了超过 "_gbk +
                      std::to_string(limits.memoryBytes / (1024 * 1024)) +
                      u8" MB 内存，已中止：文件可能已损坏，未能转换。"_gbk;
            break;
        case Kind::ExitStatus:
            if (failure.detail() == 127) {
                return u8"无法启动读取 Access 数据库的程序 "_gbk +
                       Shown(AccessTableChild::ReaderPath()) + u8"，未能转换 "_gbk + file +
                       u8"。"_gbk + kUnchanged;
            }
            [[fallthrough]];
        case Kind::Signalled:
        case Kind::OutputEnded:
        case Kind::BadOutput:
            // 读取 Access 数据库 … 时读取程序异常结束（…）：文件可能已损坏，未能转换。
            message = u8"读取 Access 数据库 "_gbk + file + u8" 时读取程序异常结束（"_gbk +
                      failure.what() + u8"）：文件可能已损坏，未能转换。"_gbk;
            break;
    }
    message += kUnchanged;
    if (const std::string line = FirstErrorLine(errorText); !line.empty()) {
        // mdbtools 的提示：…
        message += u8"mdbtools 的提示："_gbk + line;
    }
    return message;
}

}  // namespace

std::vector<std::string> AccessImport::Result::LogLines(const std::string& databasePath) const {
    // 已将 Access 数据库 db.mdb 转换为本程序的格式（n 条记录），原文件保存为 db.mdb.access
    std::vector<std::string> lines = {u8"已将 Access 数据库 "_gbk + Shown(BaseName(databasePath)) +
                                      u8" 转换为本程序的格式（"_gbk + std::to_string(rows) +
                                      u8" 条记录），原文件保存为 "_gbk + Shown(BaseName(keptPath))};
    if (replaced > 0) {
        // 其中 k 个字符无法用 GBK 表示，已替换为“?”
        lines.push_back(u8"其中 "_gbk + std::to_string(replaced) +
                        u8" 个字符无法用 GBK 表示，已替换为“?”"_gbk);
    }
    return lines;
}

bool AccessImport::IsAccessFile(const std::string& path) {
    char head[19] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(head, sizeof head)) {
        return false;
    }
    static constexpr char kMagic[4] = {0x00, 0x01, 0x00, 0x00};
    return std::memcmp(head, kMagic, sizeof kMagic) == 0 &&
           (std::memcmp(head + 4, "Standard Jet DB", 15) == 0 ||
            std::memcmp(head + 4, "Standard ACE DB", 15) == 0);
}

std::string AccessImport::TempPathFor(const std::string& path) {
    return path + ".converting";
}

std::optional<AccessImport::Result> AccessImport::ConvertIfAccess(const std::string& path,
                                                                  const Observer& observer) {
    if (!IsAccessFile(path)) {
        return std::nullopt;
    }
    const std::string folder = FolderOf(path);
    const std::string temp = TempPathFor(path);
    const std::string scratch = path + ".access-copy";
    struct stat original {};
    try {
        if (stat(path.c_str(), &original) != 0) {
            ThrowSystem(path);
        }
        // Left behind by an attempt that was cut off.
        RemoveName(temp);
        RemoveName(scratch);
    } catch (const std::system_error& error) {
        throw ImportError(FolderMessage(folder, error));
    }

    std::optional<AccessTableChild> table;
    std::size_t rowsRead = 0;
    const ChildProcess::Limits limits =
        AccessTableChild::LimitsFor(static_cast<std::uintmax_t>(original.st_size));
    try {
        table.emplace(path, "ip", ColumnNames(), limits);
    } catch (const AccessTable::Error& error) {
        throw ImportError(ReadMessage(path, error, 0, 0));
    } catch (const ChildProcess::Failure& failure) {
        throw ImportError(ChildMessage(path, failure, limits));
    } catch (const std::system_error& error) {
        throw ImportError(u8"无法启动读取 Access 数据库的程序："_gbk +
                          Shown(error.code().message()) + u8"。"_gbk + kUnchanged);
    }

    std::optional<NewInventory> inventory;
    try {
        inventory.emplace(temp, original.st_mode & 0666);
    } catch (const std::system_error& error) {
        throw ImportError(FolderMessage(folder, error));
    }
    Notify(observer, Step::TempCreated);

    Result result;
    try {
        inventory->Begin();
        CopyRows(*table, *inventory, observer, rowsRead, result.replaced);
        result.rows = rowsRead;
        inventory->Finish();
    } catch (const AccessTable::Error& error) {
        // The row being read when it failed, or the rows read when they end.
        throw ImportError(ReadMessage(path, error, table->ErrorRow(), table->ExpectedRows()));
    } catch (const ChildProcess::Failure& failure) {
        throw ImportError(ChildMessage(path, failure, limits));
    } catch (const std::system_error& error) {
        throw ImportError(WriteMessage(temp, error.code().message()));
    } catch (const store::StoreError& error) {
        throw ImportError(WriteMessage(temp, error.what()));
    }
    Notify(observer, Step::TempWritten);

    bool alreadyThere = false;
    bool kept = false;
    try {
        result.keptPath = KeptNameFor(path, alreadyThere);
        if (!alreadyThere) {
            AddName(path, result.keptPath, scratch);
        }
        kept = true;
        Notify(observer, Step::OriginalKept);
        // A failed sync after the rename is no failure: the file the disk
        // remembers under the name is whole either way.
        ReplaceWith(temp, path);
        inventory->Release();
    } catch (const std::system_error& error) {
        // The rename did not happen: the further name goes again.
        if (kept) {
            unlink(result.keptPath.c_str());
        }
        throw ImportError(FolderMessage(folder, error));
    }
    Notify(observer, Step::Replaced);
    return result;
}

}  // namespace vantrel::import
