#include "AccessImport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>
#include <thread>

#include "AccessTable.h"
#include "DurableFiles.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "ImportError.h"
#include "IpColumns.h"
#include "NewInventory.h"
#include "RowPipe.h"
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

// Reading the Access file takes about as long as converting its text and
// writing SQLite: a thread of its own reads while this one converts and
// writes, so that each value is converted once, straight from what the file
// stores.
constexpr std::size_t kRowsPerBatch = 256;
constexpr std::size_t kBatchesWaiting = 8;

// Copies every row; `rowsRead` and `replaced` count what was read and
// converted, also when it throws (the reading's AccessTable::Error, or the
// writing's).
void CopyRows(AccessTable& table, NewInventory& inventory, const AccessImport::Observer& observer,
              std::size_t& rowsRead, std::size_t& replaced) {
    RowPipe pipe(kBatchesWaiting);
    std::thread reader([&] {
        try {
            RowPipe::Row values;
            for (bool more = true; more;) {
                RowPipe::Batch batch;
                batch.reserve(kRowsPerBatch);
                while (batch.size() < kRowsPerBatch && (more = table.Next(values))) {
                    ++rowsRead;
                    batch.push_back(std::move(values));
                }
                if (!batch.empty() && !pipe.Put(std::move(batch))) {
                    return;  // the writer gave up
                }
            }
            pipe.Close(nullptr);
        } catch (...) {
            pipe.Close(std::current_exception());
        }
    });
    // Whichever way this ends, the reader is stopped and joined first.
    struct Joiner {
        RowPipe& pipe;
        std::thread& thread;
        ~Joiner() {
            pipe.Stop();
            thread.join();
        }
    } joiner{pipe, reader};
    std::vector<bool> stored;
    for (std::size_t i = 0; i < protocol::kIpColumnCount; ++i) {
        stored.push_back(table.IsStoredText(i));
    }
    RowPipe::Batch batch;
    while (pipe.Take(batch)) {
        for (RowPipe::Row& row : batch) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                if (row[i] && stored[i]) {
                    std::size_t marks = 0;
                    table.ToGbk(*row[i], &marks);
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
    if (std::exception_ptr error = pipe.Error()) {
        std::rethrow_exception(error);
    }
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

    std::optional<AccessTable> table;
    std::size_t rowsRead = 0;
    try {
        table.emplace(path, "ip", ColumnNames());
    } catch (const AccessTable::Error& error) {
        throw ImportError(ReadMessage(path, error, 0, 0));
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
        table.reset();
        inventory->Finish();
    } catch (const AccessTable::Error& error) {
        // The row being read when it failed, or the rows read when they end.
        const std::size_t row = error.kind() == AccessTable::Error::Kind::ReadFailed
                                    ? rowsRead
                                    : (table ? table->RowsRead() : rowsRead);
        throw ImportError(ReadMessage(path, error, row, table ? table->ExpectedRows() : 0));
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
