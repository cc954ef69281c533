#pragma once
// The request bytes all connections of the service may hold together. Each
// request takes its share before it stores bytes and gives it all back when
// it ends; without a common bound every one of a few hundred slow
// connections could hold its own limits' worth at once.

#include <atomic>
#include <cstddef>

namespace vantrel::intake {

// The last sixteenth of the limit is only for small requests: large ones
// that fill the rest cannot keep out a report of a few kilobytes.
class MemoryBudget {
  public:
    explicit MemoryBudget(std::size_t limit) : limit_(limit), largeLimit_(limit - limit / 16) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Takes `bytes` for a request that is then small or `large`; false,
    // taking nothing, when that would pass its limit.
    bool Take(std::size_t bytes, bool large) {
        const std::size_t limit = large ? largeLimit_ : limit_;
        std::size_t used = used_.load(std::memory_order_relaxed);
        do {
            if (bytes > limit || used > limit - bytes)
                return false;
        } while (!used_.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
        return true;
    }
    void Give(std::size_t bytes) { used_.fetch_sub(bytes, std::memory_order_relaxed); }
    std::size_t InUse() const { return used_.load(std::memory_order_relaxed); }

  private:
    const std::size_t limit_;
    const std::size_t largeLimit_;
    std::atomic<std::size_t> used_{0};
};

// One request's share of a budget, given back whole when it goes; the
// request counts as large once it holds more than `smallBytes`. Without a
// budget every Take succeeds.
class BudgetShare {
  public:
    explicit BudgetShare(MemoryBudget* budget = nullptr, std::size_t smallBytes = 0)
        : budget_(budget), smallBytes_(smallBytes) {}
    ~BudgetShare() {
        if (budget_ != nullptr)
            budget_->Give(taken_);
    }
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;

    bool Take(std::size_t bytes) {
        if (budget_ == nullptr)
            return true;
        if (!budget_->Take(bytes, taken_ + bytes > smallBytes_))
            return false;
        taken_ += bytes;
        return true;
    }

  private:
    MemoryBudget* budget_;
    const std::size_t smallBytes_;
    std::size_t taken_ = 0;
};

}  // namespace vantrel::intake
