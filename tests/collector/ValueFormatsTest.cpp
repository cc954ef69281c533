// Formats of the detected facts, and the SMBIOS reader they come from.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "SmbiosTable.h"
#include "ValueFormats.h"

namespace vantrel::collector {
namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

TEST(ValueFormats, SizesAndMac) {
    EXPECT_EQ(FormatSize(16 * kGiB - 200 * 1024 * 1024), "15.8 GB");
    EXPECT_EQ(FormatSize(4 * kGiB - 130 * 1024 * 1024), "3.87 GB");
    EXPECT_EQ(FormatSize(512ull * 1024 * 1024), "512 MB");
    EXPECT_EQ(FormatSize(0), "");

    const unsigned char mac[6] = {0x52, 0x54, 0x00, 0xab, 0x0c, 0xff};
    EXPECT_EQ(FormatMac(mac, 6), "52:54:00:AB:0C:FF");
    const unsigned char zero[6] = {};
    EXPECT_EQ(FormatMac(zero, 6), "");
    EXPECT_EQ(FormatMac(mac, 8), "");
}

TEST(ValueFormats, TextsAreCleanedWithoutSplittingCharacters) {
    EXPECT_EQ(CleanText("  Intel(R)  Core(TM)\ti5 \r\n"), "Intel(R) Core(TM) i5");
    // 0x20 after a lead byte is still a blank, and a trail byte is never one.
    EXPECT_EQ(CleanText("\xD5\xC5 \xDB\x5C"), "\xD5\xC5 \xDB\x5C");
    // An item that does not fit whole is left out; a first item too long
    // alone is cut at a character boundary.
    EXPECT_EQ(JoinDistinct({"\xD5\xC5\xD5\xC5", "\xD5\xC5\xD5\xC5", "", "\xC8\xFD\xC8\xFD"}, 9),
              "\xD5\xC5\xD5\xC5");
    EXPECT_EQ(JoinDistinct({"\xD5\xC5\xD5\xC5"}, 3), "\xD5\xC5");
    EXPECT_EQ(JoinDistinct({"GPU A", " GPU  A ", "GPU B"}), "GPU A; GPU B");
}

TEST(ValueFormats, OperatingSystemBiosAndDisk) {
    EXPECT_EQ(FormatOs("Windows 10 Pro", 10, 0, 22631), "Windows 11 Pro 64\xCE\xBB (10.0.22631)");
    EXPECT_EQ(FormatOs("Windows 10 Pro", 10, 0, 19045), "Windows 10 Pro 64\xCE\xBB (10.0.19045)");
    EXPECT_EQ(FormatOs("", 6, 1, 7601), "Windows 64\xCE\xBB (6.1.7601)");

    EXPECT_EQ(FormatBios("American Megatrends Inc.", "1820", "08/08/2019"),
              "American Megatrends Inc. 1820 2019-08-08");
    EXPECT_EQ(FormatBios("", "V1.2", "2019"), "V1.2 2019");
    EXPECT_EQ(FormatDisk("Samsung SSD 860", 500107862016ull), "Samsung SSD 860 (465.8 GB)");
    EXPECT_EQ(FormatDisk("", 500107862016ull), "465.8 GB");
    EXPECT_EQ(FormatDisk("Card reader", 0), "Card reader");
}

TEST(ValueFormats, PcTypeFromChassisThenBattery) {
    EXPECT_EQ(PcTypeOf(10, BatteryState::None), kLaptop);
    EXPECT_EQ(PcTypeOf(31, BatteryState::Unknown), kLaptop);
    EXPECT_EQ(PcTypeOf(3, BatteryState::Present), kDesktop);
    EXPECT_EQ(PcTypeOf(7, BatteryState::Unknown), kDesktop);
    // "Other", "unknown" and absent chassis types ask the battery.
    EXPECT_EQ(PcTypeOf(1, BatteryState::Present), kLaptop);
    EXPECT_EQ(PcTypeOf(0, BatteryState::None), kDesktop);
    EXPECT_EQ(PcTypeOf(2, BatteryState::Unknown), "");
}

// One SMBIOS structure: type, formatted bytes after the 4-byte header, and
// its strings.
std::string Structure(unsigned char type, std::string formatted,
                      std::initializer_list<std::string> strings) {
    std::string s;
    s += static_cast<char>(type);
    s += static_cast<char>(4 + formatted.size());
    s += std::string("\x00\x01", 2);
    s += formatted;
    for (const std::string& text : strings) {
        s += text;
        s += '\0';
    }
    if (strings.size() == 0) {
        s += '\0';
    }
    s += '\0';
    return s;
}

// The 8-byte header GetSystemFirmwareTable gives (SMBIOS `major`.`minor`),
// then the structures.
std::string RawTable(const std::string& structures, std::uint32_t declared, char major = 3,
                     char minor = 4) {
    std::string raw{'\0', major, minor, '\0'};
    for (int i = 0; i < 4; ++i) {
        raw += static_cast<char>((declared >> (8 * i)) & 0xFF);
    }
    return raw + structures;
}

TEST(Smbios, ReadsBiosBoardAndChassis) {
    const std::string structures =
        Structure(0, std::string("\x01\x02\x00\x00\x03", 5),
                  {"American Megatrends Inc.", "1820", "08/08/2019"}) +
        Structure(1, std::string("\x01\x02", 2), {"LENOVO", "ThinkCentre"}) +
        Structure(2, std::string("\x01\x02", 2), {"To Be Filled By O.E.M.", "B450M \x01PRO"}) +
        Structure(3, std::string("\x01\x83", 2), {"Chassis Maker"}) +
        Structure(2, std::string("\x01\x02", 2), {"Second", "Board"}) + Structure(127, "", {});
    const SmbiosFacts facts =
        ParseSmbios(RawTable(structures, static_cast<std::uint32_t>(structures.size())));
    EXPECT_EQ(FormatBios(facts.biosVendor, facts.biosVersion, facts.biosDate),
              "American Megatrends Inc. 1820 2019-08-08");
    EXPECT_EQ(facts.boardMaker, "");
    EXPECT_EQ(facts.boardModel, "B450M PRO");
    EXPECT_EQ(BoardText(facts), "B450M PRO");
    EXPECT_EQ(facts.chassisType, 3u);  // the lock bit is not part of the type

    SmbiosFacts noBoard = facts;
    noBoard.boardModel.clear();
    EXPECT_EQ(BoardText(noBoard), "LENOVO ThinkCentre");
}

TEST(Smbios, CutOrMalformedTablesStayInsideTheBuffer) {
    const std::string full =
        Structure(0, std::string("\x01\x02\x00\x00\x03", 5), {"Vendor", "1.0", "01/02/2020"}) +
        Structure(2, std::string("\x05\x09", 2), {"Maker", "Model"});
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        const std::string part = full.substr(0, cut);
        // Declared longer than what came, and declared as what came.
        ParseSmbios(RawTable(part, static_cast<std::uint32_t>(full.size())));
        ParseSmbios(RawTable(part, static_cast<std::uint32_t>(part.size())));
    }
    // String numbers beyond the strings read as "".
    const SmbiosFacts facts = ParseSmbios(RawTable(full, static_cast<std::uint32_t>(full.size())));
    EXPECT_EQ(facts.biosVendor, "Vendor");
    EXPECT_EQ(BoardText(facts), "");
    EXPECT_EQ(ParseSmbios("short").biosVendor, "");
}

TEST(Smbios, ReadsWhatTellsThisPcFromOthers) {
    // Type 1: maker, name, version, serial, then the UUID's 16 bytes.
    const std::string uuid("\x44\x45\x4C\x4C\x58\x00\x10\x4B\x80\x34\xB7\xC0\x4F\x51\x32\x33", 16);
    const std::string structures =
        Structure(1, std::string("\x01\x02\x03\x04", 4) + uuid,
                  {"LENOVO", "20RAS0SA00", "ThinkPad E14", " PF2ABCDE "}) +
        Structure(2, std::string("\x01\x02\x00\x03", 4), {"LENOVO", "20RAS0SA00", "L1HF0AB01CD"}) +
        Structure(3, std::string("\x01\x0A\x00\x02\x03", 5),
                  {"LENOVO", "Default string", "CW-0187"}) +
        Structure(127, "", {});
    const auto declared = static_cast<std::uint32_t>(structures.size());
    const SmbiosFacts facts = ParseSmbios(RawTable(structures, declared));
    EXPECT_EQ(facts.systemMaker, "LENOVO");
    EXPECT_EQ(ModelText(facts.systemModel, facts.systemVersion), "20RAS0SA00 ThinkPad E14");
    EXPECT_EQ(facts.systemSerial, "PF2ABCDE");
    // From SMBIOS 2.6 on the first three fields are little-endian.
    EXPECT_EQ(facts.uuid, "4C4C4544-0058-4B10-8034-B7C04F513233");
    EXPECT_EQ(facts.boardSerial, "L1HF0AB01CD");
    EXPECT_EQ(facts.chassisType, 10u);
    EXPECT_EQ(facts.chassisSerial, "");
    EXPECT_EQ(facts.assetTag, "CW-0187");
    EXPECT_EQ(ParseSmbios(RawTable(structures, declared, 2, 6)).uuid, facts.uuid);
    EXPECT_EQ(ParseSmbios(RawTable(structures, declared, 2, 5)).uuid,
              "44454C4C-5800-104B-8034-B7C04F513233");

    // Placeholder UUIDs, and a type 1 too short to hold one.
    for (const std::string& bytes :
         {std::string(16, '\0'), std::string(16, '\xFF'),
          std::string("\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00\x07\x00\x08\x00\x09", 16),
          std::string(10, '\x12')}) {
        const std::string table =
            Structure(1, std::string("\x01\x02\x00\x00", 4) + bytes, {"A", "B"});
        EXPECT_EQ(ParseSmbios(RawTable(table, static_cast<std::uint32_t>(table.size()))).uuid, "");
    }
}

TEST(Smbios, ModelTakesTheVersionOnlyWhereItSaysMore) {
    const struct {
        const char* name;
        const char* version;
        const char* model;
    } cases[] = {
        {"OptiPlex 7070", "", "OptiPlex 7070"},
        {"20RAS0SA00", "ThinkPad E14", "20RAS0SA00 ThinkPad E14"},
        {"HP EliteDesk 800 G4", "elitedesk 800", "HP EliteDesk 800 G4"},
        {"", "ThinkPad E14", "ThinkPad E14"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModelText(c.name, c.version), c.model) << c.name;
    }
}

TEST(ValueFormats, EdidHexOnlyOfWholeEdidsAndListsJoinEachItemOnce) {
    std::string edid("\x00\xFF\xFF\xFF\xFF\xFF\xFF\x00", 8);
    edid += std::string(119, '\x1e') + "\xab";
    const std::string hex = EdidHex(edid);
    ASSERT_EQ(hex.size(), 256u);
    EXPECT_EQ(hex.substr(0, 18), "00FFFFFFFFFFFF001E");
    EXPECT_EQ(hex.substr(254), "AB");
    EXPECT_EQ(EdidHex(edid + edid).size(), 512u);
    EXPECT_EQ(EdidHex(edid.substr(0, 127)), "");
    EXPECT_EQ(EdidHex(edid + "x"), "");
    EXPECT_EQ(EdidHex(std::string(128, '\0')), "");

    EXPECT_EQ(JoinOnce({"A", "", "B", "A", "C"}, ','), "A,B,C");
    EXPECT_EQ(JoinOnce({"", ""}, ','), "");
}

}  // namespace
}  // namespace vantrel::collector
