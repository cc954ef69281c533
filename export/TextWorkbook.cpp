#include "TextWorkbook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ExportError.h"
#include "GbkConvert.h"

namespace vantrel::exporter {

namespace {

// Creates a new file beside `path` for the workbook to be written to, with
// the mode `path` has when it exists (the mode a new file gets otherwise),
// and returns its name.
std::string CreatePartial(const std::string& path) {
    struct stat existing {};
    const bool replaces = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            path + ".part" + (attempt == 0 ? std::string() : std::to_string(attempt));
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            throw ExportError("Cannot write " + QuotedPath(path) + ": " + std::strerror(errno));
        }
        if (replaces) {
            ::fchmod(fd, existing.st_mode & 07777);
        }
        ::close(fd);
        return name;
    }
    throw ExportError("Cannot write " + QuotedPath(path) + ": too many partial files beside it");
}

// Flushes the file `name` to the disk, so that the rename that follows
// never puts an empty file at the path after a power loss.
bool Synced(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return synced;
}

}  // namespace

TextWorkbook::TextWorkbook(const std::string& path, bool constantMemory)
    : path_(path), partial_(CreatePartial(path)) {
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    book_ = workbook_new_opt(partial_.c_str(), &options);
    if (book_ != nullptr) {
        sheet_ = workbook_add_worksheet(book_, nullptr);
    }
    if (sheet_ == nullptr) {
        const std::string what =
            book_ == nullptr ? "Cannot create workbook " : "Cannot add a worksheet to ";
        if (book_ != nullptr) {
            lxw_workbook_free(book_);
            book_ = nullptr;
        }
        std::remove(partial_.c_str());
        throw ExportError(what + QuotedPath(path_));
    }
}

TextWorkbook::~TextWorkbook() {
    if (book_ != nullptr) {
        // Nothing reaches the partial file before workbook_close.
        lxw_workbook_free(book_);
    }
    if (!partial_.empty()) {
        std::remove(partial_.c_str());
    }
}

void TextWorkbook::Check(int error) const {
    if (error != LXW_NO_ERROR) {
        throw ExportError("Cannot write " + QuotedPath(path_) + ": " +
                          lxw_strerror(static_cast<lxw_error>(error)));
    }
}

void TextWorkbook::SetColumnWidth(std::size_t first, std::size_t last, double width) {
    Check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(first), static_cast<lxw_col_t>(last),
                               width, nullptr));
}

void TextWorkbook::WriteText(std::size_t row, std::size_t column, const std::string& gbk) {
    const std::string utf8 = text::GbkToUtf8(gbk);
    Check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row),
                                 static_cast<lxw_col_t>(column), utf8.c_str(), nullptr));
}

void TextWorkbook::Finish() {
    // workbook_close frees the workbook whether or not it succeeds.
    lxw_workbook* book = book_;
    book_ = nullptr;
    Check(workbook_close(book));
    if (!Synced(partial_) || ::rename(partial_.c_str(), path_.c_str()) != 0) {
        throw ExportError("Cannot write " + QuotedPath(path_) + ": " + std::strerror(errno));
    }
    partial_.clear();
}

}  // namespace vantrel::exporter
