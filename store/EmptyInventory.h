#pragma once
// A new, empty inventory file made from the built-in schema, for a first
// start without db.mdb.

#include <string>

namespace vantrel::store {

// Creates `path` holding table ip and nothing else. The file is written and
// synced under a temporary name in the same folder, takes the name only if
// nothing has taken it in the meantime, and the folder is synced after: a
// power cut leaves either no file under that name or a whole one, never a
// partial one, and an existing file is never replaced. Throws StoreError or
// std::system_error (naming the path); a failure leaves nothing behind.
void CreateEmptyInventory(const std::string& path);

}  // namespace vantrel::store
