#include "AccessTableChild.h"

#include "AccessFrames.h"
#include "ExecutablePath.h"

namespace vantrel::import {

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
// Start-up waits for the conversion: a file that makes mdbtools loop must
// not keep the window away for long, while a sound one of any size reads
// many times faster than this (about 10 MiB a second with its writing).
constexpr auto kBaseTime = std::chrono::seconds(5);
constexpr auto kTimePerMiB = std::chrono::seconds(1);

}  // namespace

std::string AccessTableChild::ReaderPath() {
    return system::BesideExecutable("vantrel-mdbread");
}

ChildProcess::Limits AccessTableChild::LimitsFor(std::uintmax_t fileBytes) {
    ChildProcess::Limits limits;
    limits.memoryBytes = 1024 * kMiB;
    limits.time = kBaseTime + kTimePerMiB * static_cast<long>((fileBytes + kMiB - 1) / kMiB);
    return limits;
}

AccessTableChild::AccessTableChild(const std::string& path, const std::string& table,
                                   const std::vector<std::string>& columns,
                                   const ChildProcess::Limits& limits,
                                   const std::string& readerPath)
    : limits_(limits),
      child_(
          readerPath,
          [&] {
              std::vector<std::string> arguments{path, table};
              arguments.insert(arguments.end(), columns.begin(), columns.end());
              return arguments;
          }(),
          limits),
      columns_(columns.size()) {
    const char tag = ReadFrame();
    if (tag == AccessFrames::kError) {
        Refused();
    }
    if (tag != AccessFrames::kTable || frame_.size() < 6 ||
        static_cast<unsigned char>(frame_[5]) != columns_ || frame_.size() != 6 + columns_) {
        BadOutput("no description of the table first");
    }
    jet3_ = frame_[0] != 0;
    expectedRows_ = AccessFrames::Get32(frame_.data() + 1);
    for (std::size_t i = 0; i < columns_; ++i) {
        storedText_.push_back(frame_[6 + i] != 0);
    }
}

void AccessTableChild::BadOutput(const std::string& what) const {
    throw ChildProcess::Failure(ChildProcess::Failure::Kind::BadOutput, 0,
                                "the reader sent " + what, child_.ErrorText());
}

char AccessTableChild::ReadFrame() {
    char header[AccessFrames::kHeaderBytes];
    if (!child_.Read(header, sizeof header)) {
        // The output ended between frames: how the reader ended tells why.
        child_.Finish();
        BadOutput("no end of the rows");
    }
    const std::size_t length = AccessFrames::Get32(header + 1);
    if (length > AccessFrames::kMaxFrameBytes) {
        BadOutput("a frame of " + std::to_string(length) + " bytes");
    }
    frame_.resize(length);
    if (length > 0 && !child_.Read(frame_.data(), length)) {
        BadOutput("a frame cut short");
    }
    return header[0];
}

void AccessTableChild::Refused() {
    if (frame_.size() < 9 ||
        static_cast<unsigned char>(frame_[0]) >
            static_cast<unsigned char>(AccessTable::Error::Kind::RowMismatch)) {
        BadOutput("an error it does not describe");
    }
    const auto kind = static_cast<AccessTable::Error::Kind>(frame_[0]);
    errorRow_ = AccessFrames::Get32(frame_.data() + 1);
    expectedRows_ = AccessFrames::Get32(frame_.data() + 5);
    std::string message = frame_.substr(9);
    child_.Finish();
    throw AccessTable::Error(kind, message);
}

bool AccessTableChild::Next(AccessTable::Row& values) {
    if (done_) {
        return false;
    }
    const char tag = ReadFrame();
    if (tag == AccessFrames::kError) {
        Refused();
    }
    if (tag == AccessFrames::kDone) {
        if (frame_.size() != 4 || AccessFrames::Get32(frame_.data()) != rowsRead_) {
            BadOutput("a row count other than the rows sent");
        }
        done_ = true;
        child_.Finish();
        return false;
    }
    if (tag != AccessFrames::kRow) {
        BadOutput("a frame of an unknown kind");
    }
    // The reader checks the count too; this side does not take its word.
    if (++rowsRead_ > expectedRows_) {
        BadOutput("more rows than the table records");
    }
    values.resize(columns_);
    std::size_t at = 0;
    for (std::size_t i = 0; i < columns_; ++i) {
        if (at >= frame_.size()) {
            BadOutput("a row with too few values");
        }
        if (frame_[at++] == 0) {
            values[i].reset();
            continue;
        }
        if (frame_.size() - at < 4) {
            BadOutput("a row with too few values");
        }
        const std::size_t length = AccessFrames::Get32(frame_.data() + at);
        at += 4;
        if (length > frame_.size() - at || length > AccessTable::kMaxValueBytes) {
            BadOutput("a value longer than its row");
        }
        values[i].emplace(frame_, at, length);
        at += length;
    }
    if (at != frame_.size()) {
        BadOutput("a row with more than its values");
    }
    return true;
}

}  // namespace vantrel::import
