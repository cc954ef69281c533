#include <gtest/gtest.h>

#include <unistd.h>

#include "VantrelProcess.h"

using vantrel::e2e::VantrelProcess;

// The real program listens on 8899 as soon as its window exists, and closing
// it (SIGTERM, as a session end would) leaves an empty iphist.dat behind.
TEST(Startup, ListensOnLoopbackAndWritesEmptyHistoryOnExit) {
    VantrelProcess vantrel;
    int fd = vantrel::e2e::ConnectLoopback(vantrel::e2e::kIntakePort);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_TRUE(vantrel.Running());

    std::ofstream(vantrel.WorkingDirectory() / "iphist.dat") << "stale";
    EXPECT_EQ(vantrel.Terminate(), 0) << vantrel.Output();
    auto history = vantrel.WorkingDirectory() / "iphist.dat";
    ASSERT_TRUE(std::filesystem::exists(history));
    EXPECT_EQ(std::filesystem::file_size(history), 0u);
}
