#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::store {

// Failure of the inventory store; what() is the database's own message.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Table ip lacks columns the program names; what() names them.
class MissingColumnsError : public StoreError {
  public:
    using StoreError::StoreError;
};

// A save that wrote every pending row it could, but not these: each was
// changed in the database, in a column the administrator changed, or
// removed, since it was loaded. They stay pending.
class BatchConflictError : public StoreError {
  public:
    // The shown mac of each row left unsaved (GBK bytes, "" for none).
    explicit BatchConflictError(std::vector<std::string> macs)
        : StoreError(std::to_string(macs.size()) +
                     " row(s) were changed by another submission since they were loaded"),
          macs_(std::move(macs)) {}
    const std::vector<std::string>& Macs() const { return macs_; }

  private:
    std::vector<std::string> macs_;
};

}  // namespace vantrel::store
