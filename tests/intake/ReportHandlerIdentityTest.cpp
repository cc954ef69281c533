// The values a collector sends beside the sixteen: read into the report,
// stored, and told in the event log when they find a PC under a new MAC or
// when its serial number changed.

#include <gtest/gtest.h>

#include "GbkLiteral.h"
#include "IdentityParams.h"
#include "ReportHandlerTestSupport.h"
#include "ReportText.h"

namespace vantrel::intake::test {
namespace {

using store::DeviceIdentity;
using store::IdentityNote;

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

TEST(IdentityOf, ReadsEachPartAndTellsNotSentFromEmpty) {
    const std::string edid(128, '\x01');
    struct Case {
        const char* name;
        std::vector<std::string> params;
        std::optional<DeviceIdentity> device;
        std::optional<std::vector<std::vector<std::uint8_t>>> monitors;
        std::optional<std::vector<std::string>> macs;
    };
    DeviceIdentity full;
    full.maker = "Dell Inc.";
    full.model = "OptiPlex 7090";
    full.serial = "7XK2JD3";
    full.uuid = "4c4c4544-0042-3510-8051-b4c04f4e3232";
    DeviceIdentity placeholders;
    const std::vector<Case> cases = {
        {"the browser page: nothing", {"xipMac=M1", "xipUserName=u"}, {}, {}, {}},
        {"firmware values, trimmed, the UUID in lower case",
         {"xipMaker= Dell Inc. ", "xipModel=OptiPlex 7090", "xipSerial=7XK2JD3",
          "xipUuid=4C4C4544-0042-3510-8051-B4C04F4E3232"},
         full,
         {},
         {}},
        {"placeholders are empty",
         {"xipMaker=To be filled by O.E.M.", "xipSerial=Default string", "xipBoardSerial=0000000",
          "xipAssetTag=N/A", "xipUuid=03000200-0400-0500-0006-000700080009",
          "xipChassisSerial=None"},
         placeholders,
         {},
         {}},
        {"a UUID that is no UUID is empty", {"xipUuid=4C4C4544-0042"}, placeholders, {}, {}},
        {"sent empty: no monitors and no cards",
         {"xipMonitors=", "xipMacs="},
         {},
         std::vector<std::vector<std::uint8_t>>{},
         std::vector<std::string>{}},
        {"monitors as bytes; text that is no hex holds none",
         {"xipMonitors=" + Hex(edid) + ",XYZ,0," + Hex(edid.substr(0, 5))},
         {},
         std::vector<std::vector<std::uint8_t>>{std::vector<std::uint8_t>(128, 1),
                                                std::vector<std::uint8_t>(5, 1)},
         {}},
        {"cards as MacTextOf writes them, each once, no placeholders",
         {"xipMacs=02-4f-00-00-0a-01, 024F00000A01,00:00:00:00:00:00,bad,02:4F:00:00:0A:02"},
         {},
         {},
         std::vector<std::string>{"02:4F:00:00:0A:01", "02:4F:00:00:0A:02"}},
    };
    for (const Case& c : cases) {
        const store::ReportIdentity identity = IdentityOf(MakeRequest("POST", "/post", c.params));
        EXPECT_EQ(identity.device, c.device) << c.name;
        EXPECT_EQ(identity.monitors, c.monitors) << c.name;
        EXPECT_EQ(identity.macs, c.macs) << c.name;
    }
}

TEST(IdentityOf, BoundsWhatOneReportLists) {
    std::string monitors;
    std::string macs;
    for (int i = 0; i < 100; ++i) {
        monitors += (i == 0 ? "" : ",") + std::string(256, 'A');
        char mac[32];
        std::snprintf(mac, sizeof mac, "02:00:00:00:%02X:%02X", i / 256, i % 256 + 1);
        macs += (i == 0 ? "" : ",") + std::string(mac);
    }
    const store::ReportIdentity identity = IdentityOf(MakeRequest(
        "POST", "/post",
        {"xipMonitors=" + monitors, "xipMacs=" + macs, "xipSerial=" + std::string(10000, 'S')}));
    EXPECT_EQ(identity.monitors->size(), kMaxMonitors);
    EXPECT_EQ(identity.macs->size(), kMaxListedMacs);
    EXPECT_EQ(identity.device->serial.size(), kMaxIdentityValueBytes);
}

TEST(IdentityLogSuffix, SaysWhatTheFirmwareValuesFound) {
    struct Case {
        IdentityNote note;
        std::string suffix;
    };
    const Case cases[] = {
        {{}, ""},
        {{IdentityNote::Kind::SamePc, "02:00:00:00:00:0A", "02:00:00:00:00:0C", "S1", 1},
         u8"（同一台电脑：序列号 S1，MAC 由 02:00:00:00:00:0A 改为 02:00:00:00:00:0C）"_gbk},
        {{IdentityNote::Kind::SamePc, "", "02:00:00:00:00:0C", "", 1},
         u8"（同一台电脑：序列号 （空），MAC 由 （空） 改为 02:00:00:00:00:0C）"_gbk},
        {{IdentityNote::Kind::ClonedUuid, "", "", "", 0},
         u8"（UUID 与已登记的电脑相同而序列号不同，视为克隆的系统：另登记一行）"_gbk},
        {{IdentityNote::Kind::SeveralPcs, "", "", "", 3},
         u8"（与 3 台已登记的电脑相符，不知是哪一台：另登记一行）"_gbk},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IdentityLogSuffix(c.note), c.suffix);
    }
    // Reported texts are cut as a user name is.
    const std::string line = IdentityLogSuffix(
        {IdentityNote::Kind::SamePc, std::string(500, 'A'), "02:00:00:00:00:0C", "S", 1});
    EXPECT_LT(line.size(), 200u);
}

TEST(HardwareChangeLine, AChangedSerialBoardSerialOrUuidIsAHardwareChange) {
    EXPECT_EQ(HardwareChangeLine({{"serial", "S1", "S2"},
                                  {"maker", "HP", "Dell"},
                                  {"assettag", "A1", "A2"},
                                  {"boardserial", "B1", "B2"},
                                  {"uuid", "u1", "u2"},
                                  {"monitor", std::nullopt, "DEL"}}),
              u8"  序列号：S1 → S2；主板序列号：B1 → B2；UUID：u1 → u2"_gbk);
    EXPECT_EQ(HardwareChangeLine({{"serial", "", "S2"}}), "");
}

class ReportHandlerIdentityTest : public ::testing::Test {
  protected:
    ReportHandlerIdentityTest()
        : handler(connection, sink, FixedTime, TestDataPath("report-arp-missing.txt")) {
        connection.Open(db.File());
    }

    void Post(const std::string& mac, const std::string& serial, const std::string& macs) {
        std::vector<std::string> params = {"xipMac=" + mac, "xipUserName=u", "xipIp=10.0.0.5"};
        if (!serial.empty()) {
            params.insert(params.end(), {"xipMaker=HP", "xipModel=EliteBook", "xipSerial=" + serial,
                                         "xipUuid=9F2D1C3A-77AA-4B1E-9C0D-2A5E6B7C8D9E",
                                         "xipMonitors=", "xipMacs=" + macs});
        }
        FakeConnection peer;
        handler.RouteRequest(peer, MakeRequest("POST", "/post", params, "10.0.0.5"));
    }

    ScratchDatabase db;
    store::InventoryDatabase connection;
    FakeSink sink;
    ReportHandler handler;
};

TEST_F(ReportHandlerIdentityTest, ALaptopByWiFiThenByCableIsOneRowAndTheLogSaysSo) {
    const std::string own = u8"2024-5-6 9:07:03 u 已提交！"_gbk;
    Post("02:00:00:00:00:0A", "CND1", "02:00:00:00:00:0A,02:00:00:00:00:0C");
    Post("02:00:00:00:00:0C", "CND1", "02:00:00:00:00:0A,02:00:00:00:00:0C");
    // The browser page: the firmware values kept stay.
    Post("02:00:00:00:00:0C", "", "");
    Post("02:00:00:00:00:0C", "CND2", "02:00:00:00:00:0C");
    EXPECT_EQ(
        sink.Lines(),
        (std::vector<std::string>{
            own,
            own +
                u8"（同一台电脑：序列号 CND1，MAC 由 02:00:00:00:00:0A 改为 02:00:00:00:00:0C）"_gbk,
            own, own, u8"  序列号：CND1 → CND2"_gbk}));
    EXPECT_EQ(db.Query("select mac from ip"), (std::vector<Row>{{"02:00:00:00:00:0C"}}));
    EXPECT_EQ(
        db.Query("select maker, model, serial, uuid from ip_device"),
        (std::vector<Row>{{"HP", "EliteBook", "CND2", "9f2d1c3a-77aa-4b1e-9c0d-2a5e6b7c8d9e"}}));
}

}  // namespace
}  // namespace vantrel::intake::test
