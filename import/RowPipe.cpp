#include "RowPipe.h"

namespace vantrel::import {

RowPipe::RowPipe(std::size_t maxWaiting) : maxWaiting_(maxWaiting > 0 ? maxWaiting : 1) {}

bool RowPipe::Put(Batch batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stopped_ || waiting_.size() < maxWaiting_; });
    if (stopped_) {
        return false;
    }
    waiting_.push_back(std::move(batch));
    changed_.notify_all();
    return true;
}

void RowPipe::Close(std::exception_ptr error) {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    error_ = std::move(error);
    changed_.notify_all();
}

bool RowPipe::Take(Batch& batch) {
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

void RowPipe::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    waiting_.clear();
    changed_.notify_all();
}

std::exception_ptr RowPipe::Error() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

}  // namespace vantrel::import
