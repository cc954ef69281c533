#pragma once
// Converts an inventory kept in a Microsoft Access file into the program's
// SQLite inventory under the same name. The new file is written beside the
// old one and takes its name in one rename; the Access file keeps its bytes
// under a further name (db.mdb.access, or .access.1, .2 ...). Whenever the
// power fails, the name holds either the untouched Access file or the whole
// converted inventory.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::import {

class AccessImport {
  public:
    struct Result {
        std::size_t rows = 0;      // rows written
        std::size_t replaced = 0;  // characters GBK cannot hold, now '?'
        std::string keptPath;      // where the Access file now also lives

        // The event-log lines telling what happened, GBK.
        std::vector<std::string> LogLines(const std::string& databasePath) const;
    };

    // Points of the conversion, for tests that stop it there.
    enum class Step {
        TempCreated,   // the new file exists, empty
        RowWritten,    // after each row, before the commit
        TempWritten,   // the new file is complete and on the disk
        OriginalKept,  // the Access file has its further name
        Replaced,      // the new file has the name
    };
    using Observer = std::function<void(Step)>;

    // Whether the file begins as Jet 3/4 and ACE files do: 00 01 00 00 and
    // "Standard Jet DB" or "Standard ACE DB". False when it cannot be read.
    static bool IsAccessFile(const std::string& path);

    // The name the new inventory is written under before it takes `path`.
    static std::string TempPathFor(const std::string& path);

    // When `path` is an Access file, converts it and returns what was done;
    // otherwise returns nullopt and touches nothing. On failure throws
    // ImportError with a message for the administrator (GBK) and leaves the
    // folder as it found it: the Access file under `path`, no new name.
    static std::optional<Result> ConvertIfAccess(const std::string& path,
                                                 const Observer& observer = {});
};

}  // namespace vantrel::import
