// What reports keep of a PC beside the sixteen values: written only when it
// changed, monitors plugged and unplugged in the history, everything under
// the PC's key gone with its row, and the tables in an older file.
#include <gtest/gtest.h>

#include <functional>

#include "GbkLiteral.h"
#include "IdentityFixture.h"
#include "InventoryDataset.h"
#include "KilledChild.h"
#include "NewInventory.h"

namespace vantrel::store::testing {
namespace {

using Values = std::vector<std::optional<std::string>>;

constexpr const char* kUuid = "4c4c4544-0042-3510-8051-b4c04f4e3232";
constexpr const char* kW = "02:00:00:00:00:0A";
constexpr const char* kC = "02:00:00:00:00:0C";

const std::vector<std::uint8_t> kDell = MakeEdid("DEL", 0xA0C1, 0, "U2419H", "ABC");
const std::vector<std::uint8_t> kSamsung = MakeEdid("SAM", 0x0F35, 1234567, "", "");

class IdentityStorageTest : public ReportStoreFixture {
  protected:
    // Counts every row written to the identity tables from here on.
    void CountWrites() {
        Exec("CREATE TABLE writes (what TEXT)");
        for (const char* table : {"ip_device", "ip_monitor", "ip_knownmac", "ip_history"}) {
            for (const char* event : {"INSERT", "UPDATE", "DELETE"}) {
                Exec(std::string("CREATE TRIGGER count_") + table + "_" + event + " AFTER " +
                     event + " ON " + table + " BEGIN INSERT INTO writes VALUES ('" + table + " " +
                     event + "'); END");
            }
        }
    }
    Values Written() {
        Values what;
        for (const auto& row : Query("SELECT what FROM writes")) {
            what.push_back(row[0]);
        }
        return what;
    }
};

TEST_F(IdentityStorageTest, AReportThatChangesNothingWritesNothing) {
    HardwareReport report = CollectorReport(kW, kUuid, "S1", {kW, kC});
    report.identity.monitors->push_back(kDell);
    store_.Store(report);
    CountWrites();
    struct Case {
        const char* name;
        std::function<void(HardwareReport&)> change;
        Values writes;
    };
    const Case cases[] = {
        {"the same values", [](HardwareReport&) {}, {}},
        {"the browser page: nothing sent",
         [](HardwareReport& r) { r.identity = ReportIdentity(); },
         {}},
        {"cards listed in another order",
         [](HardwareReport& r) {
             r.identity.macs = std::vector<std::string>{kC, kW};
         },
         {}},
        {"no cards listed: the known ones stay",
         [](HardwareReport& r) { r.identity.macs = std::vector<std::string>{}; },
         {}},
        {"a new asset tag",
         [](HardwareReport& r) { r.identity.device->assetTag = "A-7"; },
         {"ip_device UPDATE", "ip_history INSERT"}},
    };
    for (const Case& c : cases) {
        Exec("DELETE FROM writes");
        HardwareReport next = report;
        c.change(next);
        store_.Store(next);
        EXPECT_EQ(Written(), c.writes) << c.name;
    }
    EXPECT_EQ(Query("SELECT maker, model, serial, assettag, uuid FROM ip_device"),
              (std::vector<Values>{{"Lenovo", "ThinkPad T14", "S1", "A-7", kUuid}}));
}

TEST_F(IdentityStorageTest, ChangedFirmwareValuesGoIntoTheHistoryAndTheChanges) {
    store_.Store(CollectorReport(kW, kUuid, "S1"));  // the first values: no history
    EXPECT_EQ(Count("1"), 1);
    EXPECT_TRUE(Query("SELECT * FROM ip_history").empty());
    HardwareReport board = CollectorReport(kW, "9f2d1c3a-77aa-4b1e-9c0d-2a5e6b7c8d9e", "S1");
    board.identity.device->boardSerial = "B2";
    const std::vector<ReportChange> changes = store_.Store(board);
    EXPECT_EQ(changes, (std::vector<ReportChange>{{"boardserial", "", "B2"},
                                                  {"uuid", kUuid, board.identity.device->uuid}}));
    EXPECT_EQ(Query("SELECT field, oldvalue, newvalue FROM ip_history ORDER BY id"),
              (std::vector<Values>{{"boardserial", "", "B2"},
                                   {"uuid", kUuid, board.identity.device->uuid}}));
}

TEST_F(IdentityStorageTest, MonitorsPluggedAndUnpluggedAreInTheHistory) {
    const std::vector<std::uint8_t> damaged(kSamsung.begin(), kSamsung.end() - 1);
    int second = 0;
    ReportStore reports(connection_,
                        [&second] { return testsupport::LocalTime(2024, 5, 6, 9, 0, second++); });
    struct Case {
        std::vector<std::vector<std::uint8_t>> monitors;
        Values history;  // newvalue of the entries this report added
    };
    const std::vector<Case> cases = {
        {{kDell}, {}},  // the PC's first report: nothing to compare with
        {{kDell}, {}},
        {{kDell, kSamsung}, {u8"SAM 0F35 序列号 1234567 接上"_gbk}},
        {{kSamsung}, {u8"DEL U2419H 序列号 ABC 拔下"_gbk}},
        {{kSamsung, kDell}, {u8"DEL U2419H 序列号 ABC 接上"_gbk}},
        {{kSamsung, kDell, damaged}, {u8"无法识别的 EDID（127 字节） 接上"_gbk}},
        {{},
         {u8"DEL U2419H 序列号 ABC 拔下"_gbk, u8"SAM 0F35 序列号 1234567 拔下"_gbk,
          u8"无法识别的 EDID（127 字节） 拔下"_gbk}},
    };
    long long entries = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        HardwareReport report = CollectorReport(kW, kUuid, "S1");
        report.identity.monitors = cases[i].monitors;
        reports.Store(report);
        Values added;
        for (const auto& row :
             Query("SELECT newvalue, oldvalue, field FROM ip_history WHERE id > " +
                   std::to_string(entries) + " ORDER BY id")) {
            EXPECT_EQ(row[1], std::nullopt) << i;
            EXPECT_EQ(row[2], "monitor") << i;
            added.push_back(row[0]);
        }
        entries += static_cast<long long>(added.size());
        EXPECT_EQ(added, cases[i].history) << "report " << i;
    }
    // One row per monitor; the Dell unplugged at report 3 was last seen by
    // report 2 (09:00:02), and all three were last seen by report 5.
    EXPECT_EQ(Query("SELECT pnp, product, serialnumber, serialtext, modelname, firstseen, "
                    "lastseen, connected, length(edid) FROM ip_monitor ORDER BY id"),
              (std::vector<Values>{
                  {"DEL", "41153", "", "ABC", "U2419H", "2024-05-06 09:00:00",
                   "2024-05-06 09:00:05", "0", "128"},
                  {"SAM", "3893", "1234567", "", "", "2024-05-06 09:00:02", "2024-05-06 09:00:05",
                   "0", "128"},
                  {"", "0", "", "", "", "2024-05-06 09:00:05", "2024-05-06 09:00:05", "0", "127"},
              }));
}

TEST_F(IdentityStorageTest, DeletingARowTakesItsKeptValuesAlongButNotItsHistory) {
    HardwareReport report = CollectorReport(kW, kUuid, "S1", {kW});
    report.identity.monitors->push_back(kDell);
    store_.Store(report);
    report.cpu = "changed";
    store_.Store(report);
    store_.Store(CollectorReport(kC, "", "S2", {kC}));
    Exec("INSERT INTO ip (pcname, mac) VALUES ('twin', '" + std::string(kC) + "')");
    InventoryDataset grid(connection_);
    grid.Open();
    for (int row = 2; row >= 0; --row) {  // rows of kW and one of kC's two
        if (row != 1) {
            grid.SetRecNo(static_cast<std::size_t>(row));
            grid.Delete();
        }
    }
    grid.UpdateBatch();
    EXPECT_EQ(Column("mac"), (Values{kC}));
    EXPECT_EQ(Query("SELECT mac FROM ip_device"), (std::vector<Values>{{kC}}));  // kC has a row
    EXPECT_EQ(Query("SELECT othermac FROM ip_knownmac"), (std::vector<Values>{{kC}}));
    EXPECT_TRUE(Query("SELECT * FROM ip_monitor").empty());
    EXPECT_EQ(Query("SELECT DISTINCT mac FROM ip_history"), (std::vector<Values>{{kW}}));
}

TEST_F(IdentityStorageTest, AMoveWhileTheRowHasPendingEditsMeetsTheSavesConflictCheck) {
    store_.Store(CollectorReport(kW, kUuid, "S1", {kW, kC}));
    store_.Store(CollectorReport("02:00:00:00:00:0F", "", "", {}, "other"));
    InventoryDataset grid(connection_);
    grid.Open();
    const std::size_t bz = static_cast<std::size_t>(grid.FieldIndex("bz"));
    const std::size_t mac = static_cast<std::size_t>(grid.FieldIndex("mac"));
    grid.SetRecNo(0);
    grid.SetValue(bz, std::string("edited"));
    grid.EndEdit();
    const StoreOutcome moved = store_.StoreReport(CollectorReport(kC, kUuid, "S1", {kW, kC}));
    ASSERT_EQ(moved.identity.kind, IdentityNote::Kind::SamePc);
    grid.ApplyStored(moved.rows);
    EXPECT_EQ(grid.DisplayText(0, mac), kW);  // pending: the grid keeps what it shows
    try {
        grid.UpdateBatch();
        ADD_FAILURE() << "saved over a row that took another MAC";
    } catch (const BatchConflictError& error) {
        EXPECT_EQ(error.Macs(), std::vector<std::string>{kW});
    }
    EXPECT_EQ(Column("bz"), (Values{"", ""}));
    grid.Requery();  // the row's new MAC under the edit, which now saves
    EXPECT_EQ(grid.DisplayText(0, mac), kC);
    grid.UpdateBatch();
    EXPECT_EQ(Column("bz"), (Values{"edited", ""}));
    EXPECT_EQ(Column("mac"), (Values{kC, "02:00:00:00:00:0F"}));

    // A row without pending edits follows the move at once.
    const StoreOutcome back = store_.StoreReport(CollectorReport(kW, kUuid, "S1", {kW, kC}));
    EXPECT_EQ(grid.ApplyStored(back.rows), std::vector<std::size_t>{0});
    EXPECT_EQ(grid.DisplayText(0, mac), kW);
}

TEST_F(IdentityStorageTest, AnOlderFileGainsTheTablesAtOpen) {
    connection_.Close();
    Exec("DROP TABLE ip_device; DROP TABLE ip_monitor; DROP TABLE ip_knownmac");
    OpenStore();
    for (const char* name : {"ip_device", "ip_monitor", "ip_knownmac", "ip_device_uuid",
                             "ip_device_serial", "ip_monitor_mac", "ip_knownmac_mac", "ip_mac"}) {
        EXPECT_EQ(
            Query(std::string("SELECT 1 FROM sqlite_master WHERE name='") + name + "'").size(), 1u)
            << name;
    }
}

TEST_F(IdentityStorageTest, ANewFileHasTheTablesEmpty) {
    const std::string file = dir_ + "/converted.mdb";
    NewInventory inventory(file, 0644);
    inventory.Begin();
    inventory.Finish();
    inventory.Release();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    for (const char* table : {"ip_device", "ip_monitor", "ip_knownmac"}) {
        sqlite3_stmt* count = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, (std::string("SELECT count(*) FROM ") + table).c_str(), -1,
                                     &count, nullptr),
                  SQLITE_OK)
            << table;
        ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(count, 0), 0) << table;
        sqlite3_finalize(count);
    }
    sqlite3_close(db);
}

// The child moves one PC between two MACs, report after report, and is
// killed in the middle of one: the file then holds the state before that
// report or after it, whole.
TEST_F(IdentityStorageTest, AKilledMoveLeavesTheOldStateOrTheNewWhole) {
    store_.Store(CollectorReport(kW, kUuid, "S1", {kW, kC}));
    connection_.Close();
    const int last = testsupport::KillAfterSteps(30, [&](const testsupport::StepDone& done) {
        InventoryDatabase connection;
        connection.Open(path_);
        ReportStore reports(connection);
        for (int i = 0;; ++i) {
            HardwareReport report = CollectorReport(i % 2 == 0 ? kC : kW, kUuid, "S1", {kW, kC});
            report.identity.monitors->push_back(i % 4 < 2 ? kDell : kSamsung);
            reports.Store(report);
            done(i);
        }
    });
    ASSERT_GE(last, 29);
    OpenStore();
    EXPECT_EQ(Query("PRAGMA integrity_check"), (std::vector<Values>{{"ok"}}));
    const Values macs = Column("mac");
    ASSERT_EQ(macs.size(), 1u);
    const std::string key = *macs[0];
    const std::string other = key == kW ? kC : kW;
    EXPECT_TRUE(key == kW || key == kC);
    for (const char* table : {"ip_device", "ip_monitor", "ip_history"}) {
        EXPECT_EQ(Query(std::string("SELECT DISTINCT mac FROM ") + table),
                  (std::vector<Values>{{key}}))
            << table;
    }
    EXPECT_EQ(Query("SELECT othermac FROM ip_knownmac WHERE mac = '" + key + "' ORDER BY othermac"),
              (std::vector<Values>{{kW}, {kC}}));
    EXPECT_EQ(Query("SELECT count(*) FROM ip_monitor WHERE connected = 1"),
              (std::vector<Values>{{"1"}}));
    EXPECT_EQ(Query("SELECT seenkey FROM ip_seen"),
              (std::vector<Values>{{key == kW ? "02000000000A" : "02000000000C"}}));
    // Every move is one history entry "mac" whose new value is the MAC the
    // row held after it: the last one names the row's MAC now.
    EXPECT_EQ(Query("SELECT newvalue FROM ip_history WHERE field = 'mac' ORDER BY id DESC LIMIT 1"),
              (std::vector<Values>{{key}}));
    EXPECT_GE(
        Query("SELECT 1 FROM ip_history WHERE field = 'mac' AND oldvalue = '" + other + "'").size(),
        1u);
}

}  // namespace
}  // namespace vantrel::store::testing
