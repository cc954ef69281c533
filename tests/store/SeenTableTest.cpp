// Table ip_seen: added at open to a file made before it, written by reports
// (beside djsj, which keeps the first entry) and by a sweep's batches.
#include <gtest/gtest.h>

#include "IpSeen.h"
#include "ReportStoreFixture.h"

namespace vantrel::store::testing {
namespace {

using SeenTableTest = ReportStoreFixture;
using Table = std::vector<std::vector<std::optional<std::string>>>;

constexpr const char* kDefinitions =
    "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name";
constexpr const char* kSeen =
    "SELECT seenkey, onlinetime, address, netbiosname, sweeptime, reporttime, reportaddress "
    "FROM ip_seen ORDER BY seenkey";

TEST_F(SeenTableTest, AFileWithoutTheTableGainsTheSchemasOneAtOpen) {
    connection_.Close();
    const Table fromSchema = Query(kDefinitions);
    Exec("DROP TABLE ip_seen; DROP TABLE ip_history;");
    Insert({{"mac", "AA"}, {"djsj", "2020-01-02 03:04:05"}});
    OpenStore();
    EXPECT_EQ(Query(kDefinitions), fromSchema);
    EXPECT_EQ(Column("djsj"), (Rows{"2020-01-02 03:04:05"}));
    EXPECT_TRUE(Query(kSeen).empty());
}

TEST_F(SeenTableTest, ReportsRecordTheirLatestTimeAndAddressWhileDjsjKeepsTheFirst) {
    Exec("INSERT INTO ip (mac, djsj) VALUES ('00-0C-29-AB-CD-EF', '2020-01-02 03:04:05')");
    HardwareReport report = Report("00-0C-29-AB-CD-EF", "PC1");
    report.ip = "10.0.0.1";
    store_.Store(report);
    store_.Store(report, "10.0.0.9");  // the address it came from, when told
    // A report under the zero MAC counts for its address.
    HardwareReport zero = Report("00:00:00:00:00:00", "PC2");
    zero.ip = "10.0.0.2";
    store_.Store(zero);
    EXPECT_EQ(Query(kSeen), (Table{{"000C29ABCDEF", std::nullopt, std::nullopt, std::nullopt,
                                    std::nullopt, "2024-05-06 09:07:03", "10.0.0.9"},
                                   {"IP 10.0.0.2", std::nullopt, std::nullopt, std::nullopt,
                                    std::nullopt, "2024-05-06 09:07:03", "10.0.0.2"}}));
    EXPECT_EQ(Column("djsj", "mac = '00-0C-29-AB-CD-EF'"), (Rows{"2020-01-02 03:04:05"}));
}

TEST_F(SeenTableTest, ABatchOfSightingsIsKeptWholeOrNotAtAllAndMeetsTheRowsReports) {
    IpSeen seen(connection_);
    HardwareReport report = Report("00-0c-29-ab-cd-ef", "PC1");
    report.ip = "10.0.0.1";
    store_.Store(report);
    const std::vector<Sighting> batch = {
        {"00.0C.29.AB.CD.EF", "10.0.0.1", "PC1", "2024-05-06 10:00:01", "2024-05-06 10:00:00"},
        {"00.00.00.00.00.00", "10.0.0.7", "SAMBA", "2024-05-06 10:00:02", "2024-05-06 10:00:00"},
        {"00.0C.29.AB.CD.EF", "10.0.0.3", "PC1", "2024-05-06 10:00:03", "2024-05-06 10:00:00"},
    };
    seen.RecordSightings(batch);
    EXPECT_EQ(Query(kSeen), (Table{{"000C29ABCDEF", "2024-05-06 10:00:03", "10.0.0.3", "PC1",
                                    "2024-05-06 10:00:00", "2024-05-06 09:07:03", "10.0.0.1"},
                                   {"IP 10.0.0.7", "2024-05-06 10:00:02", "10.0.0.7", "SAMBA",
                                    "2024-05-06 10:00:00", std::nullopt, std::nullopt}}));

    // A row is seen by its MAC, or by its ip when the answer had no MAC.
    const auto byMac = seen.Of("00-0C-29-AB-CD-EF", "10.0.0.1");
    ASSERT_TRUE(byMac);
    EXPECT_EQ(byMac->onlineTime, "2024-05-06 10:00:03");
    EXPECT_EQ(byMac->reportTime, "2024-05-06 09:07:03");
    const auto byAddress = seen.Of("", "10.0.0.7");
    ASSERT_TRUE(byAddress);
    EXPECT_EQ(byAddress->name, "SAMBA");
    EXPECT_FALSE(seen.Of("11-22-33-44-55-66", "10.0.0.8"));

    // A batch that fails keeps nothing of itself.
    Exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON ip_seen WHEN new.netbiosname = 'BAD' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_THROW(seen.RecordSightings({{"11.22.33.44.55.66", "10.0.0.5", "GOOD", "t", "s"},
                                       {"11.22.33.44.55.67", "10.0.0.6", "BAD", "t", "s"}}),
                 StoreError);
    EXPECT_EQ(Query(kSeen).size(), 2u);

    // Closed: nothing to tell, and a write says why it cannot be made.
    connection_.Close();
    EXPECT_FALSE(seen.Of("00-0C-29-AB-CD-EF", "10.0.0.1"));
    EXPECT_THROW(seen.RecordSightings(batch), StoreError);
}

}  // namespace
}  // namespace vantrel::store::testing
