#pragma once
// The real program in the server namespace of a fresh namespace pair, run
// from a folder of its own with a db.mdb from the schema and one collector
// of the build beside it; the client namespace reaches it over the veth
// pair. Needs root and a hosts entry; skips, saying why, without them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "NetnsTestSupport.h"
#include "VantrelProcess.h"

namespace vantrel::e2e {

class NamespaceServer : public ::testing::Test {
  protected:
    static std::filesystem::path BinDir() {
        const char* dir = std::getenv("VANTREL_BIN_DIR");
        return dir != nullptr && *dir != '\0' ? std::filesystem::path(dir)
                                              : std::filesystem::path(VANTREL_BIN_DIR);
    }

    // The build's file the server serves beside itself.
    virtual const char* CollectorFile() const = 0;
    // Why the test cannot run here (a tool it needs is missing); "" when it can.
    virtual std::string MissingTool() const { return {}; }

    void SetUp() override {
        using namespace std::chrono_literals;
        namespace fs = std::filesystem;
        VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
        if (::geteuid() != 0) {
            GTEST_SKIP() << "network namespaces need root";
        }
        if (const std::string missing = MissingTool(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        try {
            namespaces_.emplace();
        } catch (const std::exception& error) {
            GTEST_SKIP() << "cannot create network namespaces: " << error.what();
        }
        char pattern[] = "/tmp/vantrel-netns-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        fs::create_directories(folder_ / "server");
        fs::copy_file(BinDir() / "vantrel", folder_ / "server" / "vantrel");
        fs::copy_file(BinDir() / CollectorFile(), folder_ / "server" / CollectorFile());
        RunSql(Database(), ReadFile(VANTREL_SCHEMA));
        server_ = SpawnLogged({IpTool(), "netns", "exec", namespaces_->Server(),
                               (folder_ / "server" / "vantrel").string()},
                              folder_ / "server.log",
                              {"QT_QPA_PLATFORM=offscreen", "ASAN_OPTIONS=detect_leaks=0"},
                              folder_ / "server");
        // Ready once the client namespace reaches it over the veth pair.
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!Reachable(namespaces_->Client(), NamespacePair::kServerAddress, 8899)) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline)
                << "vantrel did not listen: " << ReadFile(folder_ / "server.log");
            std::this_thread::sleep_for(100ms);
        }
    }

    void TearDown() override {
        using namespace std::chrono_literals;
        if (server_ > 0) {
            ::kill(-server_, SIGTERM);
            if (WaitOrKill(server_, 10s) == -1) {
                ADD_FAILURE() << "vantrel did not end on SIGTERM";
            }
        }
        namespaces_.reset();
        if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }

    std::filesystem::path Database() const { return folder_ / "server" / "db.mdb"; }

    std::optional<NamespacePair> namespaces_;
    std::filesystem::path folder_;
    pid_t server_ = -1;
};

}  // namespace vantrel::e2e
