#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FakeNbns.h"
#include "NodeStatus.h"

using vantrel::scan::DecodeNodeStatusAnswer;
using vantrel::scan::NodeStatusAnswer;
using vantrel::scan::NodeStatusRequest;
using vantrel::testsupport::NbName;
namespace ts = vantrel::testsupport;

namespace {

// Decodes from a buffer of exactly the datagram's size, so that the
// sanitizers catch any read past what was received.
std::optional<NodeStatusAnswer> Decode(const std::string& datagram) {
    std::vector<std::uint8_t> bytes(datagram.begin(), datagram.end());
    return DecodeNodeStatusAnswer(bytes.data(), bytes.size());
}

std::string Captured(const std::string& name) {
    std::ifstream in(std::string(VANTREL_TEST_DATA) + "/nbstat/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Padded(std::string name) {
    name.resize(15, ' ');
    return name;
}

}  // namespace

TEST(NodeStatusRequest, IsTheFixedRfc1002Query) {
    const std::string_view request = NodeStatusRequest();
    const std::string expected = std::string("\0\0\0\0\0\x01\0\0\0\0\0\0\x20", 13) + "CK" +
                                 std::string(30, 'A') + std::string("\0\0\x21\0\x01", 5);
    EXPECT_EQ(std::string(request), expected);
}

TEST(DecodeNodeStatus, ThePcNameIsTheLastUniqueServerName) {
    // MYPC unique 0x00 and 0x20, WORKGROUP group 0x00.
    auto row =
        Decode(ts::NodeStatusAnswer({{"MYPC", 0x00}, {"MYPC", 0x20}, {"WORKGROUP", 0x00, true}}));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, "MYPC" + std::string(11, ' '));
    EXPECT_EQ(row->mac, "00.0C.29.AB.CD.EF");

    // A group 0x20 name never shows; a later unique 0x20 entry wins.
    row = Decode(ts::NodeStatusAnswer({{"FIRST", 0x20}, {"GROUPX", 0x20, true}, {"SECOND", 0x20}}));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, Padded("SECOND"));
    row = Decode(ts::NodeStatusAnswer({{"ONLY", 0x20, true}, {"ONLY", 0x00}}));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, "");
    EXPECT_EQ(row->mac, "00.0C.29.AB.CD.EF");
}

TEST(DecodeNodeStatus, NameBytesUpTo0x20BecomeSpacesAndGbkPassesThrough) {
    std::string raw("A\x01\x1F\x20\x00Z\x7F\x80", 8);
    raw += "\xB2\xC6\xCE\xF1\x41\x42\x43";  // 财务ABC
    auto row = Decode(ts::NodeStatusAnswer({{raw, 0x20}}));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, std::string("A    Z\x7F\x80\xB2\xC6\xCE\xF1"
                                     "ABC",
                                     15));
}

TEST(DecodeNodeStatus, MacTextIsSixUppercasePairs) {
    auto row = Decode(ts::NodeStatusAnswer({{"PC", 0x20}}, std::string(6, '\0')));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->mac, "00.00.00.00.00.00");
    row = Decode(ts::NodeStatusAnswer({{"PC", 0x20}}, "\xFF\xA0\x0F\x10\x9B\x01"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->mac, "FF.A0.0F.10.9B.01");
}

TEST(DecodeNodeStatus, MarkerIsSearchedFromOffsetOne) {
    // Only at offset 0: ignored.
    std::string onlyAtZero("\x21\x00\x01", 3);
    onlyAtZero += std::string(80, '\x05');
    EXPECT_FALSE(Decode(onlyAtZero));
    // At offset 1 with a shortened header: read relative to the marker.
    std::string early("\x00\x21\x00\x01", 4);
    early += std::string(6, '\0');  // TTL, RDLENGTH
    early += '\x01';
    early += Padded("EARLY") + std::string("\x20\x04\x00", 3) +
             std::string("\x01\x02\x03\x04\x05\x06", 6);
    auto row = Decode(early);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, Padded("EARLY"));
    EXPECT_EQ(row->mac, "01.02.03.04.05.06");
    // No marker, and zero names.
    EXPECT_FALSE(Decode(std::string(120, '\x21')));
    EXPECT_FALSE(Decode(ts::NodeStatusAnswer({})));
    EXPECT_FALSE(Decode(""));
}

TEST(DecodeNodeStatus, CapturedSambaAnswers) {
    const std::string ascii = Captured("samba-ascii-name.bin");
    ASSERT_EQ(ascii.size(), 193u);
    auto row = Decode(ascii);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, Padded("TESTPC1"));
    EXPECT_EQ(row->mac, "00.00.00.00.00.00");

    row = Decode(Captured("samba-gbk-name.bin"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name, Padded("\xB2\xC6\xCE\xF1PC01"));
    EXPECT_EQ(row->mac, "00.00.00.00.00.00");
}

TEST(DecodeNodeStatus, NameTableOrUnitIdPastTheReceivedBytesGiveNoRow) {
    const std::string full =
        ts::NodeStatusAnswer({{"A", 0x20}, {"B", 0x20}}, "\x01\x02\x03\x04\x05\x06", 0);
    ASSERT_TRUE(Decode(full));
    // Every shorter prefix ends inside the header, a name entry or UNIT_ID.
    for (std::size_t length = 0; length < full.size(); ++length) {
        EXPECT_FALSE(Decode(full.substr(0, length))) << length;
    }
    // NUM_NAMES 255 with two entries present.
    std::string inflated = full;
    inflated[56] = '\xFF';
    EXPECT_FALSE(Decode(inflated));
}

TEST(DecodeNodeStatus, RandomAndMutatedDatagramsNeverReadPastTheirEnd) {
    std::mt19937 random(20261208);
    std::vector<std::string> seeds = {Captured("samba-ascii-name.bin"),
                                      Captured("samba-gbk-name.bin"),
                                      ts::NodeStatusAnswer({{"X", 0x20}}, "ABCDEF", 0)};
    int decoded = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string datagram;
        if (round % 4 == 0) {
            datagram.resize(random() % 600);
            for (char& c : datagram) {
                // Bytes from a small alphabet make markers and counts likely.
                static const char kAlphabet[] = {0x00, 0x01, 0x21, 0x20, '\x84', '\xFF', 0x05};
                c = kAlphabet[random() % sizeof kAlphabet];
            }
        } else {
            datagram = seeds[random() % seeds.size()];
            const int edits = 1 + static_cast<int>(random() % 6);
            for (int e = 0; e < edits && !datagram.empty(); ++e) {
                const std::size_t at = random() % datagram.size();
                switch (random() % 3) {
                    case 0:
                        datagram[at] = static_cast<char>(random());
                        break;
                    case 1:
                        datagram.resize(at);
                        break;
                    default:
                        datagram.insert(at, 1, static_cast<char>(random()));
                        break;
                }
            }
        }
        auto row = Decode(datagram);
        if (row) {
            ++decoded;
            EXPECT_TRUE(row->name.empty() || row->name.size() == 15);
            EXPECT_EQ(row->mac.size(), 17u);
        }
    }
    // The corpus reaches the decoding path, not only the early rejections.
    EXPECT_GT(decoded, 1000);
}
