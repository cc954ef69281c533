// The real program under a flood of reports that each carry a list of
// installed programs at the bounds (5,000 lines, close to 512 KB): every
// list is read and stored, memory stays bounded and the program still
// ends at once on SIGTERM.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "ReportFlood.h"

namespace {

using namespace vantrel::e2e;

// A list of 5,000 programs of about 100 bytes, form-encoded; each client's
// PC a MAC of its own, each round another version so that every report
// replaces its PC's list.
std::string Body(int client, int round) {
    std::string list;
    for (int p = 0; p < 5000; ++p) {
        list += "Program+" + std::to_string(p) + "+of+a+long+enough+name%09" +
                std::to_string(round) +
                ".0%09Publisher+Corporation+Limited%092024-01-02%0964%09"
                "machine%091%0D%0A";
    }
    return "xipMac=02:00:00:00:00:0" + std::to_string(client) + "&xipUserName=flood" +
           "&xipSoftware=" + list;
}

TEST(SoftwareFlood, ReportsWithListsAtTheBoundsLeaveMemoryBounded) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelProcess vantrel(SmallQuarantine());
    const FloodOutcome flood =
        FloodWithReports(vantrel, 6, std::chrono::seconds(6),
                         [](int client, int round) { return PostRequest(Body(client, round)); });
    EXPECT_EQ(flood.exitStatus, 0) << vantrel.Output();
    EXPECT_LT(flood.exiting, std::chrono::seconds(1));
    EXPECT_GT(flood.thanked, 6);
    EXPECT_LT(flood.peakBytes, std::size_t{300} * 1024 * 1024)
        << "peak RSS " << flood.peakBytes / (1024 * 1024) << " MiB";
}

}  // namespace
