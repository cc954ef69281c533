// The real program: it listens on 8899 from its start, serves the page file
// of its working directory, ends cleanly when closed, and a second copy
// cannot take the port.
#include <gtest/gtest.h>

#include <unistd.h>

#include "VantrelProcess.h"

namespace {

using vantrel::e2e::VantrelOptions;
using vantrel::e2e::VantrelProcess;

std::filesystem::path WebFolder() {
    const char* dir = std::getenv("VANTREL_WEB_DIR");
    return dir != nullptr && *dir != '\0' ? dir : VANTREL_WEB_DIR;
}

TEST(Startup, ListensServesThePageAndWritesEmptyHistoryOnExit) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    // A working directory of its own holding ip.html, as the README starts it.
    char pattern[] = "/tmp/vantrel-e2e-work-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::filesystem::path work = pattern;
    std::filesystem::copy_file(WebFolder() / "ip.html", work / "ip.html");
    std::ofstream(work / "iphist.dat") << "stale";
    {
        VantrelOptions options;
        options.workingDirectory = work;
        VantrelProcess vantrel(options);
        int fd = vantrel::testsupport::Connect(vantrel::e2e::kIntakePort);
        ASSERT_GE(fd, 0);
        ::close(fd);

        const std::string page = vantrel::e2e::ReadFile(work / "ip.html");
        const std::string reply = vantrel::e2e::Exchange("GET / HTTP/1.0\r\n\r\n");
        ASSERT_GE(reply.size(), page.size());
        EXPECT_EQ(reply.substr(reply.size() - page.size()), page);
        EXPECT_TRUE(vantrel.Running());

        EXPECT_EQ(vantrel.Terminate(), 0) << vantrel.Output();
    }
    const auto history = work / "iphist.dat";
    ASSERT_TRUE(std::filesystem::exists(history));
    EXPECT_EQ(std::filesystem::file_size(history), 0u);
    std::filesystem::remove_all(work);
}

TEST(Startup, SecondCopySaysOneRunsAndEndsWithStatusOne) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelProcess first;
    VantrelOptions options;
    options.requireFreePort = false;
    options.waitListening = false;
    VantrelProcess second(options);
    EXPECT_EQ(second.Wait(std::chrono::seconds(30)), 1) << second.Output();
    // Without a display the box is written to stderr, with the bind failure.
    EXPECT_NE(second.Output().find("Vantrel 已在运行（端口 8899 已被占用）"), std::string::npos)
        << second.Output();
    EXPECT_NE(second.Output().find("Could not bind socket."), std::string::npos);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(std::filesystem::exists(second.Folder() / "iphist.dat"));
}

TEST(Startup, MissingDatabaseIsAskedForAndStillListens) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelOptions options;
    options.createDatabase = false;
    VantrelProcess vantrel(options);
    EXPECT_TRUE(vantrel.Running());
    EXPECT_EQ(vantrel.Terminate(), 0) << vantrel.Output();
    // Nobody can answer without a display: No, and nothing is created.
    EXPECT_NE(vantrel.Output().find("找不到 db.mdb，是否新建一个空的库存数据库？"),
              std::string::npos)
        << vantrel.Output();
    EXPECT_FALSE(std::filesystem::exists(vantrel.Database()));
}

}  // namespace
