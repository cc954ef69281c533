#pragma once
// The bytes of a sheet of a .xlsx, inflated ahead of the parser. Inflating
// takes about a fifth of the time of parsing what it gives: a thread of its
// own inflates the sheet a few chunks ahead of expat, so that the parsing,
// the slowest step of an import, waits for neither. Only this thread reads
// the part (and charges the archive's bound) until it ends.

#include <atomic>
#include <memory>
#include <string>

#include "RowPipe.h"
#include "Task.h"
#include "ZipArchive.h"

namespace vantrel::import {

class XlsxInflater {
  public:
    explicit XlsxInflater(std::unique_ptr<ZipArchive::Part> part)
        : part_(std::move(part)), pipe_(kChunksWaiting) {
        inflating_.Start(
            [this](const system::Task<>::Control&) {
                Run();
                return std::monostate();
            },
            [this](system::TaskOutcome<std::monostate>& outcome) { pipe_.Close(outcome.error); },
            {}, [this] { pipe_.Stop(); });
    }
    // The inflating is stopped and joined as inflating_ goes, first.
    XlsxInflater(const XlsxInflater&) = delete;
    XlsxInflater& operator=(const XlsxInflater&) = delete;

    // The next chunk; false at the end. Throws what reading the part threw,
    // after every chunk read before it.
    bool Next(std::string& chunk) {
        if (pipe_.Take(chunk)) {
            return true;
        }
        if (const std::exception_ptr error = pipe_.Error()) {
            std::rethrow_exception(error);
        }
        return false;
    }
    double Progress() const { return progress_.load(std::memory_order_relaxed); }

  private:
    static constexpr std::size_t kChunk = 1 << 16;
    static constexpr std::size_t kChunksWaiting = 4;

    // Reads the part into the pipe until it ends, throws or the pipe stops.
    void Run();

    std::unique_ptr<ZipArchive::Part> part_;
    std::atomic<double> progress_{0.0};
    BatchPipe<std::string> pipe_;
    system::Task<> inflating_;  // last: it starts once the rest is made
};

}  // namespace vantrel::import
