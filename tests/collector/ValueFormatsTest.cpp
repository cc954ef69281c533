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

std::string RawTable(const std::string& structures, std::uint32_t declared) {
    std::string raw("\x00\x03\x04\x00", 4);
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

}  // namespace
}  // namespace vantrel::collector
