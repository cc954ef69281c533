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
