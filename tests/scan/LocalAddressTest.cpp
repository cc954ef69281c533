// The address staff are told: the host name's lookup unless it names a
// loopback address, then the default route's interface, then any LAN
// interface that is up.
#include <gtest/gtest.h>

#include "LocalAddress.h"

namespace {

using vantrel::scan::ChooseLocalAddress;
using vantrel::scan::InterfaceAddress;
using vantrel::scan::RouteEntry;

constexpr std::uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) {
    return a << 24 | b << 16 | c << 8 | d;
}

const InterfaceAddress kLo{"lo", Ip(127, 0, 0, 1), true, true};
const InterfaceAddress kEth{"eth0", Ip(192, 168, 1, 23), true, false};
const InterfaceAddress kWlan{"wlan0", Ip(10, 20, 30, 40), true, false};
const InterfaceAddress kDocker{"docker0", Ip(172, 17, 0, 1), true, false};
const InterfaceAddress kDown{"eth1", Ip(192, 168, 9, 9), false, false};
const RouteEntry kDefaultWlan{"wlan0", 0, 0, 600, true};
const RouteEntry kDefaultEth{"eth0", 0, 0, 100, true};
const RouteEntry kLanRoute{"docker0", Ip(172, 17, 0, 0), Ip(255, 255, 0, 0), 0, true};

struct Case {
    const char* name;
    const char* lookedUp;
    std::vector<InterfaceAddress> interfaces;
    std::vector<RouteEntry> routes;
    std::string chosen;
    std::vector<std::string> others;
};

TEST(ChooseLocalAddress, OverTablesOfInterfacesAndRoutes) {
    const std::vector<Case> cases = {
        {"LAN lookup kept as the lookup gave it",
         "192.168.1.23",
         {kLo, kEth},
         {kDefaultEth},
         "192.168.1.23",
         {}},
        {"LAN lookup kept even off the default route",
         "10.20.30.40",
         {kLo, kEth, kWlan},
         {kDefaultEth},
         "10.20.30.40",
         {"192.168.1.23"}},
        {"Debian's 127.0.1.1: default route's interface",
         "127.0.1.1",
         {kLo, kDocker, kEth},
         {kLanRoute, kDefaultEth},
         "192.168.1.23",
         {"172.17.0.1"}},
        {"lowest metric of two default routes",
         "127.0.1.1",
         {kLo, kWlan, kEth},
         {kDefaultWlan, kDefaultEth},
         "192.168.1.23",
         {"10.20.30.40"}},
        {"a default route that is down does not count",
         "127.0.1.1",
         {kLo, kWlan, kEth},
         {{"eth0", 0, 0, 1, false}, kDefaultWlan},
         "10.20.30.40",
         {"192.168.1.23"}},
        {"default route over a downed interface: next one up",
         "127.0.1.1",
         {kLo, kDown, kWlan},
         {{"eth1", 0, 0, 1, true}},
         "10.20.30.40",
         {}},
        {"no default route: first LAN interface that is up",
         "127.0.1.1",
         {kLo, kDown, kDocker},
         {kLanRoute},
         "172.17.0.1",
         {}},
        {"nothing but loopback: the looked-up address", "127.0.1.1", {kLo}, {}, "127.0.1.1", {}},
        {"no interfaces readable: the looked-up address", "127.0.0.1", {}, {}, "127.0.0.1", {}},
        {"an address on two interfaces is listed once",
         "127.0.1.1",
         {kLo, kEth, kWlan, {"wlan0:1", Ip(10, 20, 30, 40), true, false}},
         {kDefaultEth},
         "192.168.1.23",
         {"10.20.30.40"}},
    };
    for (const Case& c : cases) {
        const auto choice = ChooseLocalAddress(c.lookedUp, c.interfaces, c.routes);
        EXPECT_EQ(choice.address, c.chosen) << c.name;
        EXPECT_EQ(choice.others, c.others) << c.name;
    }
}

TEST(ParseRouteTable, ReadsTheKernelsTable) {
    // As /proc/net/route prints it on x86: addresses as little-endian hex.
    const std::string text =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
        "wlan0\t00000000\t01141E0A\t0002\t0\t0\t600\t00000000\t0\t0\t0\n"
        "broken line\n"
        "eth1\tZZZZZZZZ\t00000000\t0001\t0\t0\t1\t00000000\t0\t0\t0\n";
    const auto routes = vantrel::scan::ParseRouteTable(text);
    ASSERT_EQ(routes.size(), 3u);
    EXPECT_EQ(routes[0].interface, "eth0");
    EXPECT_EQ(routes[0].destination, 0u);
    EXPECT_TRUE(routes[0].up);
    EXPECT_EQ(routes[0].metric, 100u);
    EXPECT_EQ(routes[1].destination, Ip(192, 168, 1, 0));
    EXPECT_EQ(routes[1].mask, Ip(255, 255, 255, 0));
    EXPECT_FALSE(routes[2].up);  // flags without RTF_UP
    const auto choice = ChooseLocalAddress("127.0.1.1", {kLo, kWlan, kEth}, routes);
    EXPECT_EQ(choice.address, "192.168.1.23");
}

TEST(NetmaskOf, TheMaskOfTheInterfaceHoldingTheAddress) {
    InterfaceAddress eth = kEth;
    eth.netmask = Ip(255, 255, 255, 252);
    InterfaceAddress wlan = kWlan;
    wlan.netmask = Ip(255, 255, 0, 0);
    const std::vector<InterfaceAddress> interfaces = {kLo, eth, wlan};
    EXPECT_EQ(vantrel::scan::NetmaskOf("192.168.1.23", interfaces), Ip(255, 255, 255, 252));
    EXPECT_EQ(vantrel::scan::NetmaskOf("10.20.30.40", interfaces), Ip(255, 255, 0, 0));
    EXPECT_EQ(vantrel::scan::NetmaskOf("10.20.30.41", interfaces), 0u);
    EXPECT_EQ(vantrel::scan::NetmaskOf("localhost", interfaces), 0u);
    // This machine's loopback, read through getifaddrs: a /8.
    EXPECT_EQ(vantrel::scan::NetmaskOf("127.0.0.1", vantrel::scan::ReadInterfaceAddresses()),
              Ip(255, 0, 0, 0));
}

}  // namespace
