#pragma once
// File steps that survive a power cut: each returns once what it did is on
// the disk. Failures throw std::system_error with the system's error code.

#include <string>

namespace vantrel::store {

// Writes the file's data and size to the disk.
void SyncFile(const std::string& path);

// Writes the folder's entries (names added, removed, renamed) to the disk.
void SyncFolder(const std::string& folder);

// The folder part of `path`: "." when it has none.
std::string FolderOf(const std::string& path);

// Whether `name` is itself a regular file that is `path` (a hard link, or
// the same path). A symbolic link never is, even one that leads to `path`:
// replacing `path` would change what it leads to.
bool IsHardLinkOf(const std::string& name, const std::string& path);

// Whether something (even a dangling symbolic link) has this name.
bool NameTaken(const std::string& path);

// Gives the file `from` the further name `to` (a hard link), so that its
// bytes are never read or written. Where the file system has no hard links,
// copies the bytes to `scratch`, syncs them and renames the copy to `to`.
// The folder is synced afterwards. Throws with EEXIST when `to` exists;
// on any failure `to` is gone again.
void AddName(const std::string& from, const std::string& to, const std::string& scratch);

// Renames `from` over `to` in one step (throws when that fails), then syncs
// the folder; returns false when only the sync failed and the rename stands.
bool ReplaceWith(const std::string& from, const std::string& to);

// Removes the name; a name that does not exist is no error.
void RemoveName(const std::string& path);

}  // namespace vantrel::store
