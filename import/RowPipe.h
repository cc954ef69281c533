#pragma once
// Batches handed from a reading thread to a writing one. At most a fixed
// number of batches wait, so memory does not grow with the rows.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::import {

template <typename BatchType>
class BatchPipe {
  public:
    using Batch = BatchType;

    explicit BatchPipe(std::size_t maxWaiting) : maxWaiting_(maxWaiting > 0 ? maxWaiting : 1) {}

    // Reader: hands over a batch, waiting while the pipe is full. Returns
    // false once the writer has stopped: the reader then ends.
    bool Put(Batch batch) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || waiting_.size() < maxWaiting_; });
        if (stopped_) {
            return false;
        }
        waiting_.push_back(std::move(batch));
        changed_.notify_all();
        return true;
    }

    // Reader: no more batches; `error` is what ended the reading, if any.
    void Close(std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        error_ = std::move(error);
        changed_.notify_all();
    }

    // Writer: the next batch; false when the reader has closed the pipe and
    // every batch was taken (Error() then tells whether it failed).
    bool Take(Batch& batch) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || !waiting_.empty(); });
        if (waiting_.empty()) {
            return false;
        }
        batch = std::move(waiting_.front());
        waiting_.pop_front();
        changed_.notify_all();
        return true;
    }

    // Writer: gives up; the reader's next Put returns false.
    void Stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        waiting_.clear();
        changed_.notify_all();
    }

    std::exception_ptr Error() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return error_;
    }

  private:
    const std::size_t maxWaiting_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> waiting_;
    bool closed_ = false;
    bool stopped_ = false;
    std::exception_ptr error_;
};

// Rows of an Access table, each value as the file stores it.
class RowPipe : public BatchPipe<std::vector<std::vector<std::optional<std::string>>>> {
  public:
    using Row = std::vector<std::optional<std::string>>;
    using BatchPipe::BatchPipe;
};

}  // namespace vantrel::import
