#pragma once
// The one connection to the inventory database db.mdb (SQLite format).
// Shared by the main thread's dataset and the report handler's statements;
// they take turns through Lock().

#include <memory>
#include <mutex>
#include <string>

struct sqlite3;

namespace vantrel::store {

class InventoryDatabase {
  public:
    InventoryDatabase();
    ~InventoryDatabase();
    InventoryDatabase(const InventoryDatabase&) = delete;
    InventoryDatabase& operator=(const InventoryDatabase&) = delete;

    // "<directory of the running executable>/db.mdb"; throws SystemError
    // when the executable's path cannot be read.
    static std::string DefaultDatabasePath();

    // Opens an existing database read-write; never creates it. Adds the
    // change history (table ip_history) when the file lacks it and can be
    // written. Throws StoreError with the database's message when the file
    // is missing, locked, not a database or has no table ip, and
    // MissingColumnsError "表 ip 缺少列：..." naming the columns table ip
    // lacks. A database that can be read but not written opens, and
    // ReadOnlyReason() tells why. Paths in messages are converted to GBK.
    void Open(const std::string& path);
    bool Connected() const;
    // Why the open database cannot be written (the database's message with
    // the system's reason and the path); "" when it can, or when closed.
    std::string ReadOnlyReason() const;
    // How long a statement waits for another process's lock before it fails
    // with "database is locked"; 5 seconds unless set.
    void SetBusyTimeout(int milliseconds);
    void Close();
    // Gives up the connection without closing it: for a thread that may
    // still use it when its owner must go. The handle is never freed.
    void Abandon();

    // Recursive: a report holds it across its count and its write while the
    // statements themselves lock again.
    std::unique_lock<std::recursive_mutex> Lock();

    // Raw handle for the datasets of this module; throws StoreError when closed.
    // The handle is opened without SQLite's own mutex: hold Lock() for as long
    // as it is used, statements included.
    sqlite3* Handle() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::store
