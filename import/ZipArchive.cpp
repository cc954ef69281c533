#include "ZipArchive.h"

#include <zip.h>

#include "ImportError.h"
#include "ImportMessages.h"

namespace vantrel::import {

ZipArchive::ZipArchive(const std::string& path, std::uint64_t maxExpanded)
    : path_(path), left_(maxExpanded) {
    int error = 0;
    archive_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive_ == nullptr) {
        zip_error_t detail;
        zip_error_init_with_code(&detail, error);
        const std::string text = zip_error_strerror(&detail);
        zip_error_fini(&detail);
        if (error == ZIP_ER_OPEN || error == ZIP_ER_READ) {
            throw ImportError(messages::ReadFailed(path, text));
        }
        throw ImportError(messages::Damaged(path, text));
    }
}

ZipArchive::~ZipArchive() {
    zip_discard(archive_);
}

void ZipArchive::Fail(std::string_view detail) const {
    throw ImportError(messages::Damaged(path_, detail));
}

bool ZipArchive::Has(const std::string& name) const {
    return zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

std::optional<ZipArchive::Declared> ZipArchive::Declare(const std::string& name) const {
    const zip_int64_t index = zip_name_locate(archive_, name.c_str(), 0);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 || zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0 || (stat.valid & ZIP_STAT_CRC) == 0) {
        return std::nullopt;
    }
    return Declared{stat.size, stat.crc};
}

std::unique_ptr<ZipArchive::Part> ZipArchive::Open(const std::string& name, bool counted) {
    const zip_int64_t index = zip_name_locate(archive_, name.c_str(), 0);
    if (index < 0) {
        Fail(name + " missing");
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
        Fail(zip_strerror(archive_));
    }
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE) {
        throw ImportError(messages::Encrypted(path_));
    }
    if (counted && (stat.valid & ZIP_STAT_SIZE) != 0 && stat.size > left_) {
        throw ImportError(messages::TooLargeExpanded(path_));
    }
    zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        Fail(zip_strerror(archive_));
    }
    return std::unique_ptr<Part>(new Part(*this, file, stat.size, counted));
}

ZipArchive::Part::~Part() {
    zip_fclose(file_);
}

std::size_t ZipArchive::Part::Read(char* buffer, std::size_t size) {
    const zip_int64_t got = zip_fread(file_, buffer, size);
    if (got < 0) {
        archive_.Fail(zip_file_strerror(file_));
    }
    const auto bytes = static_cast<std::uint64_t>(got);
    read_ += bytes;
    if (counted_) {
        if (bytes > archive_.left_) {
            throw ImportError(messages::TooLargeExpanded(archive_.path_));
        }
        archive_.left_ -= bytes;
    }
    return static_cast<std::size_t>(bytes);
}

double ZipArchive::Part::Progress() const {
    return size_ == 0 ? 1.0 : static_cast<double>(read_) / static_cast<double>(size_);
}

}  // namespace vantrel::import
