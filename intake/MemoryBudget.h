#pragma once
// The request bytes all connections of the service may hold together. Each
// request takes its share before it stores bytes and gives it all back when
// it ends; without a common bound every one of a few hundred slow
// connections could hold its own limits' worth at once.

#include <atomic>
#include <cstddef>

namespace vantrel::intake {

class MemoryBudget {
  public:
    explicit MemoryBudget(std::size_t limit) : limit_(limit) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Takes `bytes`; false, taking nothing, when that would pass the limit.
    bool Take(std::size_t bytes) {
        std::size_t used = used_.load(std::memory_order_relaxed);
        do {
            if (bytes > limit_ || used > limit_ - bytes)
                return false;
        } while (!used_.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
        return true;
    }
    void Give(std::size_t bytes) { used_.fetch_sub(bytes, std::memory_order_relaxed); }
    std::size_t InUse() const { return used_.load(std::memory_order_relaxed); }

  private:
    const std::size_t limit_;
    std::atomic<std::size_t> used_{0};
};

// One request's share of a budget, given back whole when it goes. Without a
// budget every Take succeeds.
class BudgetShare {
  public:
    explicit BudgetShare(MemoryBudget* budget = nullptr) : budget_(budget) {}
    ~BudgetShare() {
        if (budget_ != nullptr)
            budget_->Give(taken_);
    }
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;

    bool Take(std::size_t bytes) {
        if (budget_ == nullptr)
            return true;
        if (!budget_->Take(bytes))
            return false;
        taken_ += bytes;
        return true;
    }

  private:
    MemoryBudget* budget_;
    std::size_t taken_ = 0;
};

}  // namespace vantrel::intake
