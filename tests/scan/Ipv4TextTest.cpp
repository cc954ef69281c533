#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "HostsFile.h"
#include "Ipv4Text.h"
#include "LocalAddress.h"

using vantrel::scan::AddressPrefix;

TEST(AddressPrefix, EndsAtTheThirdDotOfOrdinaryAddresses) {
    EXPECT_EQ(AddressPrefix("192.168.1.23"), "192.168.1.");
    EXPECT_EQ(AddressPrefix("10.20.30.40"), "10.20.30.");
    EXPECT_EQ(AddressPrefix("127.0.0.1"), "127.0.0.");
    EXPECT_EQ(AddressPrefix("255.255.255.255"), "255.255.255.");
}

TEST(AddressPrefix, KeepsAtMost16CharactersWithoutAThirdDotInTheFirst15) {
    EXPECT_EQ(AddressPrefix(""), "");
    EXPECT_EQ(AddressPrefix("localhost"), "localhost");
    EXPECT_EQ(AddressPrefix("10.20"), "10.20");
    EXPECT_EQ(AddressPrefix("abcdefghijklmnopqrstu"), "abcdefghijklmnop");
    // Third dot at position 15 still counts; at 16 it is only kept as the
    // 16th character; at 17 it is cut off.
    EXPECT_EQ(AddressPrefix("1.2.34567890123.9"), "1.2.34567890123.");
    EXPECT_EQ(AddressPrefix("1.2.345678901234.9"), "1.2.345678901234");
    EXPECT_EQ(AddressPrefix("1.2.3456789012345.9"), "1.2.345678901234");
    EXPECT_EQ(AddressPrefix("1.2.345678901.4.5"), "1.2.345678901.");
}

TEST(LocalAddress, IsTheDottedDecimalIPv4OfTheHostName) {
    if (!vantrel::testsupport::HostNameInHostsFile()) {
        GTEST_SKIP() << "host name not in /etc/hosts";
    }
    std::string address = vantrel::scan::LocalAddress();
    in_addr parsed{};
    EXPECT_EQ(inet_pton(AF_INET, address.c_str(), &parsed), 1) << address;
}

TEST(IsValidIPv4Text, FourDecimalPartsOfAtMost255) {
    using vantrel::scan::IsValidIPv4Text;
    for (const char* good : {"192.168.1.1", "0.0.0.0", "255.255.255.255", "192.168.001.010",
                             "127.0.0.254", "0000000000001.1.1.1"}) {
        EXPECT_TRUE(IsValidIPv4Text(good)) << good;
    }
    for (const char* bad : {"192.168.1.256", "192.168.1", "1.2.3.4.5", "192.168.1.a", "192.168..1",
                            "192.168.1.", ".1.2.3", "192.168.1. 1", " 1.2.3.4", "", "...",
                            "1.2.3.4\xB0\xA1", "99999999999.1.1.1", "+1.2.3.4"}) {
        EXPECT_FALSE(IsValidIPv4Text(bad)) << bad;
    }
}

TEST(DottedQuad, ClassicConversionAndDecimalText) {
    using vantrel::scan::DottedDecimal;
    using vantrel::scan::DottedQuadToNumber;
    EXPECT_EQ(DottedQuadToNumber("127.0.0.250"), 0x7F0000FAu);
    // A leading 0 reads octal; what cannot be read is 255.255.255.255.
    EXPECT_EQ(DottedQuadToNumber("192.168.001.010"), 0xC0A80108u);
    EXPECT_EQ(DottedQuadToNumber("192.168.1.08"), 0xFFFFFFFFu);
    EXPECT_EQ(DottedQuadToNumber("192.168.1.256"), 0xFFFFFFFFu);
    EXPECT_FALSE(vantrel::scan::IsReadableDottedQuad("192.168.1.08"));
    EXPECT_TRUE(vantrel::scan::IsReadableDottedQuad("255.255.255.255"));
    EXPECT_TRUE(vantrel::scan::IsReadableDottedQuad("192.168.001.010"));
    EXPECT_EQ(DottedDecimal(0x7F000105u), "127.0.1.5");
    EXPECT_EQ(DottedDecimal(0u), "0.0.0.0");
    EXPECT_EQ(DottedDecimal(0xFFFFFFFFu), "255.255.255.255");
}

TEST(PrefillRange, TheInterfacesNetworkBelowASlash24ElseTheSlash24AroundTheAddress) {
    struct Case {
        const char* address;
        std::uint32_t netmask;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"192.168.1.23", 0xFFFFFF00, "192.168.1.1", "192.168.1.254"},     // /24
        {"10.0.0.6", 0xFFFFFFFC, "10.0.0.5", "10.0.0.6"},                 // /30
        {"192.168.1.200", 0xFFFFFF80, "192.168.1.129", "192.168.1.254"},  // /25
        {"172.16.5.77", 0xFFFFFFF0, "172.16.5.65", "172.16.5.78"},        // /28
        {"10.1.2.3", 0xFFFFFFFE, "10.1.2.2", "10.1.2.3"},                 // /31: both
        {"10.1.2.3", 0xFFFFFFFF, "10.1.2.3", "10.1.2.3"},                 // /32: itself
        {"172.16.5.77", 0xFFFF0000, "172.16.5.1", "172.16.5.254"},        // /16: its /24
        {"10.9.8.7", 0xFF000000, "10.9.8.1", "10.9.8.254"},               // /8
        {"10.9.8.7", 0, "10.9.8.1", "10.9.8.254"},                        // unknown
        {"10.9.8.7", 0xFFFF00FF, "10.9.8.1", "10.9.8.254"},               // not contiguous
        {"127.0.1.1", 0xFF000000, "127.0.1.1", "127.0.1.254"},
        // Not a dotted quad: the text's own prefix, as before.
        {"localhost", 0xFFFFFFFC, "localhost1", "localhost254"},
        {"", 0, "1", "254"},
    };
    for (const Case& c : cases) {
        const vantrel::scan::SweepRange range = vantrel::scan::PrefillRange(c.address, c.netmask);
        EXPECT_EQ(range.first, c.first) << c.address << " mask " << std::hex << c.netmask;
        EXPECT_EQ(range.last, c.last) << c.address << " mask " << std::hex << c.netmask;
    }
}
