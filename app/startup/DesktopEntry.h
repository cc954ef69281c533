#pragma once
// The desktop menu entry of an unpacked program folder: written to the
// user's applications folder with the folder's absolute paths, so that the
// desktop's menu starts the program where it lies.

#include <optional>
#include <string>

namespace vantrel::app {

// The entry's text for a program at `program` (absolute) with its icon at
// `icon` (absolute). Throws std::invalid_argument for a path a desktop entry
// cannot hold (not absolute, or with a line break or a control character).
std::string DesktopEntryText(const std::string& program, const std::string& icon);

// "$XDG_DATA_HOME/applications/vantrel.desktop", or under
// "$HOME/.local/share" when XDG_DATA_HOME is unset or not absolute; nullopt
// when neither is usable.
std::optional<std::string> DesktopEntryPath();

// Writes `text` to `path` under a temporary name first, then renames it,
// creating the folders on the way. Throws std::system_error.
void WriteDesktopEntry(const std::string& path, const std::string& text);

// Removes the entry; false when there was none. Throws std::system_error.
bool RemoveDesktopEntry(const std::string& path);

}  // namespace vantrel::app
