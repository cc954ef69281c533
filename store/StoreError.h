#pragma once

#include <stdexcept>
#include <string>

namespace vantrel::store {

// Failure of the inventory store; what() is the database's own message, or
// for a failed conversion of an Access file a message for the administrator.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel::store
