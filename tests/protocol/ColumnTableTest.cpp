// What the intake and the collectors agree on: the column table's look-ups,
// and the Linux collector's own copy of the report value names and the
// reply's bytes, which cannot include the table.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "IpColumns.h"
#include "ReportReply.h"

namespace vantrel::protocol {
namespace {

std::string LinuxCollector() {
    std::ifstream in(VANTREL_LINUX_COLLECTOR, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ColumnTable, LinuxCollectorSendsEveryReportValueAndKnowsTheReply) {
    const std::string script = LinuxCollector();
    ASSERT_FALSE(script.empty()) << VANTREL_LINUX_COLLECTOR;

    // for pair in "name $value" "name $value" ... ; do
    std::smatch loop;
    ASSERT_TRUE(std::regex_search(script, loop, std::regex(R"(for pair in ([^;]*); do)")));
    std::set<std::string> sent;
    const std::string pairs = loop[1];
    const std::regex pair(R"x("([A-Za-z]+) \$[A-Za-z_]+")x");
    for (auto it = std::sregex_iterator(pairs.begin(), pairs.end(), pair);
         it != std::sregex_iterator(); ++it) {
        EXPECT_TRUE(sent.insert((*it)[1]).second) << "sent twice: " << (*it)[1];
    }
    std::set<std::string> expected;
    for (const IpColumn& column : kIpColumns) {
        if (!column.formField.empty()) {
            expected.emplace(column.formField);
        }
    }
    EXPECT_EQ(sent, expected);

    // The reply's body is compared as lower-case hex.
    std::string hex;
    for (unsigned char c : kThankYouReply) {
        static const char digits[] = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 0xf];
    }
    EXPECT_NE(script.find("\"$r_body\" = " + hex), std::string::npos) << hex;
}

TEST(ColumnTable, NamesMatchIgnoringAsciiCase) {
    EXPECT_EQ(IpColumnIndex("BIOS"), IpColumnIndex("bios"));
    EXPECT_EQ(kIpColumns[IpColumnIndex("Mac")].name, "mac");
    EXPECT_EQ(IpColumnIndex("macs"), kIpColumnCount);
    EXPECT_EQ(FormFieldOf("PCTYPE"), "xipDorl");
    EXPECT_EQ(FormFieldOf("djsj"), "");  // the time of registration is the database's
}

}  // namespace
}  // namespace vantrel::protocol
