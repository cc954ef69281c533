// Replays the requests of tests/data/http. Each file name starts with the
// outcome expected of it ("ok--", "closed--", ...); every file is parsed with
// its bytes arriving at once and piecemeal, which must agree.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "HttpTestSupport.h"

namespace vantrel::intake {
namespace {

const std::map<std::string, ParseStatus> kExpected = {
    {"ok", ParseStatus::Ok},
    {"closed", ParseStatus::Closed},
    {"toolong", ParseStatus::LineTooLong},
    {"badline", ParseStatus::BadRequestLine},
    {"method", ParseStatus::MethodRejected},
    {"header", ParseStatus::HeaderTooLarge},
    {"body", ParseStatus::BodyTooLarge},
    {"auth", ParseStatus::UnsupportedAuthorization},
};

// The test environment names the data folder; run by hand, the folder is
// found beside this source file.
std::filesystem::path CorpusDir() {
    if (const char* data = std::getenv("VANTREL_TEST_DATA")) {
        return std::filesystem::path(data) / "http";
    }
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "http";
}

TEST(MalformedCorpus, EveryRequestGivesItsExpectedOutcome) {
    const std::filesystem::path dir = CorpusDir();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        std::size_t dash = name.find("--");
        ASSERT_NE(dash, std::string::npos) << name;
        auto expected = kExpected.find(name.substr(0, dash));
        ASSERT_NE(expected, kExpected.end()) << name;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        auto whole = testing::Parse(bytes);
        EXPECT_EQ(ParseStatusText(whole.status), ParseStatusText(expected->second)) << name;
        auto piecemeal = testing::Parse(bytes, 3);
        EXPECT_EQ(piecemeal.status, whole.status) << name;
        EXPECT_EQ(piecemeal.request.path, whole.request.path) << name;
        EXPECT_EQ(piecemeal.request.params, whole.request.params) << name;
        ++files;
    }
    EXPECT_GE(files, 20);
}

}  // namespace
}  // namespace vantrel::intake
