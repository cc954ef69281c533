#pragma once
// Rows handed from a reading thread to a writing one in batches. At most a
// fixed number of batches wait, so memory does not grow with the rows.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::import {

class RowPipe {
  public:
    using Row = std::vector<std::optional<std::string>>;
    using Batch = std::vector<Row>;

    explicit RowPipe(std::size_t maxWaiting);

    // Reader: hands over a batch, waiting while the pipe is full. Returns
    // false once the writer has stopped: the reader then ends.
    bool Put(Batch batch);
    // Reader: no more batches; `error` is what ended the reading, if any.
    void Close(std::exception_ptr error);

    // Writer: the next batch; false when the reader has closed the pipe and
    // every batch was taken (Error() then tells whether it failed).
    bool Take(Batch& batch);
    // Writer: gives up; the reader's next Put returns false.
    void Stop();
    std::exception_ptr Error() const;

  private:
    const std::size_t maxWaiting_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> waiting_;
    bool closed_ = false;
    bool stopped_ = false;
    std::exception_ptr error_;
};

}  // namespace vantrel::import
