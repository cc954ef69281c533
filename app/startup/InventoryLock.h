#pragma once
// An advisory lock (flock) on the folder that holds db.mdb, so that an
// import from the command line never writes an inventory that a running
// program holds open: the program holds it shared for as long as its intake
// runs, the command takes it exclusively. The folder rather than db.mdb:
// SQLite's own locks on db.mdb are not disturbed, a converted db.mdb (a new
// file under the old name) stays covered, and no file is left behind.

#include <string>

namespace vantrel::app {

class InventoryLock {
  public:
    enum class Mode { Shared, Exclusive };

    // Tries to take the lock on the folder of `databasePath`, without
    // waiting. A folder that cannot be opened or locked (a file system
    // without flock) is taken as free: nobody could tell then.
    InventoryLock(const std::string& databasePath, Mode mode);
    ~InventoryLock();
    InventoryLock(const InventoryLock&) = delete;
    InventoryLock& operator=(const InventoryLock&) = delete;

    // False when another process holds the lock in a way that excludes
    // this one (for Exclusive: a running program or another import).
    bool Taken() const { return taken_; }

  private:
    int fd_ = -1;
    bool taken_ = true;
};

}  // namespace vantrel::app
