#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Edid.h"
#include "GbkLiteral.h"

namespace vantrel::inventory {
namespace {

std::vector<std::uint8_t> Fixture(const std::string& name) {
    std::ifstream file(std::string(VANTREL_TEST_DATA) + "/edid/" + name + ".hex");
    std::string hex;
    for (char c; file.get(c);) {
        if (c != ' ' && c != '\n') {
            hex.push_back(c);
        }
    }
    auto bytes = EdidFromHex(hex);
    EXPECT_TRUE(bytes.has_value()) << name;
    return bytes.value_or(std::vector<std::uint8_t>{});
}

struct RealMonitor {
    const char* fixture;
    const char* pnp;
    std::uint16_t product;
    std::uint32_t serialNumber;
    const char* serialText;
    const char* model;
    int week, year, widthCm, heightCm;
    double inches;
    int extensions;
};

class RealEdidTest : public testing::TestWithParam<RealMonitor> {};

TEST_P(RealEdidTest, DecodesWhatTheMonitorSays) {
    const RealMonitor& m = GetParam();
    const EdidInfo info = DecodeEdid(Fixture(m.fixture));
    EXPECT_TRUE(info.valid) << info.problem;
    EXPECT_EQ(info.problem, "");
    EXPECT_EQ(info.pnpCode, m.pnp);
    EXPECT_EQ(info.productCode, m.product);
    EXPECT_EQ(info.serialNumber, m.serialNumber);
    EXPECT_EQ(info.serialText, m.serialText);
    EXPECT_EQ(info.modelName, m.model);
    EXPECT_EQ(info.week, m.week);
    EXPECT_EQ(info.year, m.year);
    EXPECT_EQ(info.widthCm, m.widthCm);
    EXPECT_EQ(info.heightCm, m.heightCm);
    EXPECT_NEAR(info.diagonalInches, m.inches, 0.05);
    EXPECT_EQ(info.extensionBlocks, m.extensions);
}

INSTANTIATE_TEST_SUITE_P(Makers, RealEdidTest,
                         testing::Values(
                             // The real serial only in the text descriptor; the number is a filler.
                             RealMonitor{"dell-d3218hn", "DEL", 0x200B, 0x01010101, "X9R5K8864M1E",
                                         "D3218HN", 32, 2018, 70, 39, 31.5, 1},
                             RealMonitor{"aoc-2490w1", "AOC", 0x2490, 4202, "AMUJ99A004202",
                                         "2490W1", 38, 2018, 53, 30, 24.0, 1},
                             RealMonitor{"samsung-s27h85x", "SAM", 0x0E0F, 0x5A5A5730, "H4ZM102128",
                                         "S27H85x", 5, 2019, 60, 34, 27.2, 1},
                             // Only the numeric serial.
                             RealMonitor{"philips-ftv", "PHL", 0x0000, 0x01010101, "",
                                         "Philips FTV", 47, 2010, 88, 49, 39.7, 1},
                             // No serial at all; the extension it announces was not sent.
                             RealMonitor{"samsung-0a7a", "SAM", 0x0A7A, 0, "", "SAMSUNG", 46, 2012,
                                         102, 57, 46.0, 1}));

TEST(EdidTest, DamagedEdidsAreDescribedNotTrusted) {
    const std::vector<std::uint8_t> dell = Fixture("dell-d3218hn");

    std::vector<std::uint8_t> flipped = dell;
    flipped[0x4F] ^= 0x01;  // one bit of the text serial
    const EdidInfo badSum = DecodeEdid(flipped);
    EXPECT_FALSE(badSum.valid);
    EXPECT_EQ(badSum.problem, u8"EDID 校验和不对（数据已损坏）"_gbk);
    EXPECT_EQ(badSum.pnpCode, "DEL");  // still says whose it is

    const std::vector<std::uint8_t> truncated(dell.begin(), dell.begin() + 100);
    EXPECT_FALSE(DecodeEdid(truncated).valid);
    EXPECT_EQ(DecodeEdid(truncated).problem, u8"EDID 不完整（不足 128 字节）"_gbk);
    EXPECT_EQ(DecodeEdid({}).problem, u8"EDID 为空"_gbk);

    std::vector<std::uint8_t> noHeader = dell;
    noHeader[1] = 0;
    EXPECT_EQ(DecodeEdid(noHeader).problem, u8"EDID 头部不对"_gbk);
    EXPECT_EQ(DecodeEdid(noHeader).pnpCode, "");

    // Control bytes and high bytes in a text descriptor end the text.
    std::vector<std::uint8_t> odd = Fixture("samsung-0a7a");
    odd[0x75] = 0xB1;  // the U of "SAMSUNG"
    odd[127] = static_cast<std::uint8_t>(odd[127] - 0xB1 + 'U');
    const EdidInfo oddInfo = DecodeEdid(odd);
    EXPECT_TRUE(oddInfo.valid);
    EXPECT_EQ(oddInfo.modelName, "SAMS");
}

TEST(EdidTest, HexTextAndMakerNames) {
    EXPECT_EQ(EdidFromHex("00fFa0"), (std::vector<std::uint8_t>{0x00, 0xFF, 0xA0}));
    EXPECT_EQ(EdidFromHex(""), std::vector<std::uint8_t>{});
    EXPECT_FALSE(EdidFromHex("0").has_value());
    EXPECT_FALSE(EdidFromHex("0g").has_value());
    EXPECT_FALSE(EdidFromHex("00 ").has_value());

    const std::string path = testing::TempDir() + "/pnp.ids";
    std::ofstream(path) << "# comment\nDEL\tDell Inc.\r\nEBS\tEBS Euchner B\xC3\xBCro\nbad line\n";
    const PnpMakerList list = PnpMakerList::FromFile(path);
    EXPECT_EQ(list.Size(), 2u);
    EXPECT_EQ(list.NameOf("DEL"), "Dell Inc.");
    EXPECT_EQ(list.NameOf("EBS"), "EBS Euchner B\xA8\xB9ro");  // u-umlaut in GBK
    EXPECT_EQ(list.NameOf("AOC"), "AOC");
    EXPECT_EQ(PnpMakerList::FromFile(path + ".missing").NameOf("DEL"), "DEL");
    std::remove(path.c_str());

    EdidInfo info = DecodeEdid(Fixture("philips-ftv"));
    EXPECT_EQ(MonitorTitle(info), "PHL Philips FTV");
    info.modelName.clear();
    EXPECT_EQ(MonitorTitle(info), "PHL 0000");
}

}  // namespace
}  // namespace vantrel::inventory
