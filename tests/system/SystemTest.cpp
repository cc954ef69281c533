#include "LocalClock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ExecutablePath.h"
#include "FixedTime.h"

namespace vantrel::system {
namespace {

using testsupport::LocalTime;

TEST(SystemTest, TimeTextIsZeroPaddedFieldsAsGiven) {
    const struct {
        std::tm local;
        const char* text;
    } cases[] = {
        {LocalTime(2024, 1, 2, 3, 4, 5), "2024-01-02 03:04:05"},
        {LocalTime(1999, 12, 31, 23, 59, 59), "1999-12-31 23:59:59"},
        {LocalTime(2026, 12, 9, 0, 0, 0), "2026-12-09 00:00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TimeText(c.local), c.text);
    }
}

TEST(SystemTest, AGivenClockIsReadAndAnEmptyOneIsTheSystems) {
    EXPECT_EQ(TimeText(LocalNow([] { return LocalTime(2020, 2, 29, 12, 0, 1); })),
              "2020-02-29 12:00:01");
    const std::time_t before = std::time(nullptr);
    std::tm now = LocalNow({});
    const std::time_t read = std::mktime(&now);
    EXPECT_GE(read, before);
    EXPECT_LE(read, std::time(nullptr));
}

TEST(SystemTest, FilesAreLookedForBesideTheExecutable) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(BesideExecutable("db.mdb"), (self.parent_path() / "db.mdb").string());
}

}  // namespace
}  // namespace vantrel::system
