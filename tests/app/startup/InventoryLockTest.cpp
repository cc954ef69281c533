// The lock that keeps a command-line import out of an inventory a running
// program holds: shared holders coexist, an exclusive one excludes them
// and is excluded by them, and a folder that cannot be locked does not
// stand in the way.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "InventoryLock.h"

namespace vantrel::app {
namespace {

namespace fs = std::filesystem;
using Mode = InventoryLock::Mode;

TEST(InventoryLock, SharedHoldersExcludeAnImportAndAnImportExcludesAll) {
    char pattern[] = "/tmp/vantrel-lock-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string database = (fs::path(pattern) / "db.mdb").string();
    {
        std::optional<InventoryLock> program(std::in_place, database, Mode::Shared);
        EXPECT_TRUE(program->Taken());
        EXPECT_TRUE(InventoryLock(database, Mode::Shared).Taken());
        EXPECT_FALSE(InventoryLock(database, Mode::Exclusive).Taken());
        program.reset();
        const InventoryLock import(database, Mode::Exclusive);
        EXPECT_TRUE(import.Taken());
        EXPECT_FALSE(InventoryLock(database, Mode::Exclusive).Taken());
        EXPECT_FALSE(InventoryLock(database, Mode::Shared).Taken());
        // Another folder is another inventory.
        EXPECT_TRUE(InventoryLock("/tmp/db.mdb", Mode::Shared).Taken());
    }
    EXPECT_TRUE(InventoryLock(database, Mode::Exclusive).Taken());
    EXPECT_TRUE(InventoryLock(std::string(pattern) + "/missing/db.mdb", Mode::Exclusive).Taken());
    fs::remove_all(pattern);
}

}  // namespace
}  // namespace vantrel::app
