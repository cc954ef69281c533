// The Linux collector's own copy of the identity value names: the same
// names in the same order as the table the Windows collector sends by.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "IdentityFields.h"

namespace vantrel::protocol {
namespace {

TEST(IdentityFields, LinuxCollectorSendsEachNameInTheTablesOrder) {
    std::ifstream in(VANTREL_LINUX_COLLECTOR, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string script = text.str();

    // for id_pair in "name $value" "name $value" ... ; do
    std::smatch loop;
    ASSERT_TRUE(std::regex_search(script, loop, std::regex(R"(for id_pair in ([^;]*); do)")));
    const std::string pairs = loop[1];
    const std::regex pair(R"x("([A-Za-z]+) \$[A-Za-z_]+")x");
    std::vector<std::string> sent;
    for (auto it = std::sregex_iterator(pairs.begin(), pairs.end(), pair);
         it != std::sregex_iterator(); ++it) {
        sent.push_back((*it)[1]);
    }
    const std::vector<std::string> expected(kIdentityFields.begin(), kIdentityFields.end());
    EXPECT_EQ(sent, expected);
}

}  // namespace
}  // namespace vantrel::protocol
