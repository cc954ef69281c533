// Reports and the main thread's dataset on one connection, and another
// process's writer on the same file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "InventoryDataset.h"
#include "ReportStore.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using ConcurrencyTest = StoreFixture;

// What a report does: count by MAC, then update or insert, as one unit.
void StoreReport(ReportStore& reports, const std::string& mac, const std::string& user) {
    HardwareReport report;
    report.username = user;
    report.mac = mac;
    reports.Store(report);
}

TEST_F(ConcurrencyTest, ReportsAndTheGridTakeTurns) {
    Insert({{"mac", "main"}, {"bz", "0"}});
    OpenStore();
    ReportStore shared(connection_);  // one store for every report
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < 150; ++i) {
                // Upper and lower case name the same PC.
                std::string mac = (i + t) % 2 ? "AA-" : "aa-";
                mac += std::to_string(i % 25);
                try {
                    StoreReport(shared, mac, Numbered("u", t));
                } catch (const StoreError&) {
                    ++failures;
                }
            }
        });
    }
    InventoryDataset grid(connection_);
    grid.Open();
    auto bz = static_cast<std::size_t>(grid.FieldIndex("bz"));
    int saves = 0;
    for (; saves < 60; ++saves) {
        grid.Requery();
        grid.SetFilter(FilterCondition::OfField("mac", FieldMatch::Contains, "a-1"));
        grid.SetFilter(FilterCondition::OfField("mac", FieldMatch::Equals, "MAIN"));
        ASSERT_EQ(grid.RecordCount(), 1u);
        grid.SetValue(bz, std::to_string(saves + 1));
        grid.UpdateBatch();
        grid.SetFilter({});
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(failures, 0);
    // No two reports of one MAC interleaved into two inserts.
    EXPECT_EQ(Count(), 26);
    EXPECT_EQ(Count("mac IN (SELECT mac FROM ip GROUP BY mac COLLATE NOCASE "
                    "HAVING count(*) > 1)"),
              0);
    EXPECT_EQ(Column("bz", "mac='main'"), (std::vector<std::optional<std::string>>{"60"}));
}

TEST_F(ConcurrencyTest, AnotherProcessWritingMakesNobodyFail) {
    OpenStore();
    std::atomic<bool> stop{false};
    std::thread other([&] {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        while (!stop) {
            // Holds the write lock for a while, like a slow tool would.
            EXPECT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE; INSERT INTO ip (mac) VALUES ('other')",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sqlite3_close(db);
    });
    ReportStore reports(connection_);
    InventoryDataset grid(connection_);
    grid.Open();
    for (int i = 0; i < 40; ++i) {
        StoreReport(reports, Numbered("m", i), "u");
        grid.Requery();
        grid.Append();
        grid.SetValue(0, Numbered("pc", i));
        grid.UpdateBatch();
    }
    stop = true;
    other.join();
    EXPECT_EQ(Count("mac LIKE 'm%'"), 40);
    EXPECT_EQ(Count("pcname LIKE 'pc%'"), 40);
}

}  // namespace
}  // namespace vantrel::store::testing
