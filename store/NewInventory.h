#pragma once
// A new inventory file written in one go: created empty (failing with the
// system's error when the folder cannot be written), filled in one
// transaction without a journal, synced once at the end. A file that is not
// finished and released is removed again, so a failure leaves nothing.

#include <sys/types.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::store {

class NewInventory {
  public:
    // Creates the file with exactly `mode`; throws std::system_error.
    NewInventory(const std::string& path, mode_t mode);
    ~NewInventory();
    NewInventory(const NewInventory&) = delete;
    NewInventory& operator=(const NewInventory&) = delete;

    // Creates table ip from the schema and opens the transaction. Indexes
    // are made at Finish, from the sorted rows, which is faster than keeping
    // them up to date row by row. Throws StoreError.
    void Begin();
    // One row: the seventeen columns in the table's order. Throws StoreError.
    void Insert(const std::vector<std::optional<std::string>>& values);
    // Makes the indexes, commits, closes and syncs the file. Throws
    // StoreError or std::system_error.
    void Finish();
    // The file has been renamed: it is no longer removed.
    void Release();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::store
