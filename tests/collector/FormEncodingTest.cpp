// The report as the collector posts it must read back, through the intake's
// own decoder, as exactly the bytes that went in.
#include <gtest/gtest.h>

#include "CollectorReport.h"
#include "FormEncoding.h"
#include "HttpRequest.h"
#include "HttpText.h"
#include "IdentityFields.h"
#include "ReportReply.h"

namespace vantrel::collector {
namespace {

// "张三" and two characters whose trail bytes look like ASCII: "\" (0x5C)
// in 圹 (DB 5C) and "A" (0x41) in 丄 (81 41).
const std::string kZhangSan = "\xD5\xC5\xC8\xFD";
const std::string kBackslashTrail = "\xDB\x5C";
const std::string kLetterTrail = "\x81\x41";

TEST(FormEncoding, EncodesEveryByteOfADoubleByteCharacter) {
    EXPECT_EQ(EncodeFormValue(kZhangSan), "%D5%C5%C8%FD");
    EXPECT_EQ(EncodeFormValue(kBackslashTrail + kLetterTrail + "A"), "%DB%5C%81%41A");
    EXPECT_EQ(EncodeFormValue("a b&c=d+e%f/g.h-i_j*k~"), "a+b%26c%3Dd%2Be%25f%2Fg.h-i_j*k%7E");
    EXPECT_EQ(EncodeFormValue("1\r\n2"), "1%0D%0A2");
    // A lead byte at the very end stands alone and is still encoded.
    EXPECT_EQ(EncodeFormValue("x\xD5"), "x%D5");
}

TEST(FormEncoding, ReportReadsBackThroughTheIntakeDecoder) {
    HardwareFacts facts;
    facts.cpu = "Intel(R) Core(TM) i5-4590 CPU @ 3.30GHz";
    facts.ramTotal = "15.9 GB";
    facts.pcType = "\xCC\xA8\xCA\xBD";
    facts.mac = "52:54:00:12:34:56";
    facts.ip = "10.0.0.2";
    PersonEntries person{kZhangSan, "a&b=c", kBackslashTrail + kLetterTrail, "line 1\r\nline 2"};
    facts.uuid = "4C4C4544-0058-4B10-8034-B7C04F513233";
    facts.macs = "52:54:00:12:34:56,52:54:00:AB:CD:EF";
    const FormFields fields = ReportFields(facts, person);
    ASSERT_EQ(fields.size(), 16u + protocol::kIdentityFields.size());
    EXPECT_EQ(fields[16].first, protocol::kMakerField);

    const std::string request = BuildPostRequest("10.0.0.1:8899", fields);
    const std::size_t blank = request.find("\r\n\r\n");
    ASSERT_NE(blank, std::string::npos);
    const std::string body = request.substr(blank + 4);
    EXPECT_EQ(request.rfind("POST /post HTTP/1.1\r\nHost: 10.0.0.1:8899\r\n", 0), 0u);
    EXPECT_NE(request.find("Content-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos);
    EXPECT_NE(request.find("Content-Length: " + std::to_string(body.size()) + "\r\n"),
              std::string::npos);

    intake::HttpRequest decoded;
    decoded.params = intake::DecodeParams(body);
    for (const auto& [name, value] : fields) {
        EXPECT_EQ(intake::ParamValue(decoded, name), value) << name;
    }
    EXPECT_EQ(intake::ParamValue(decoded, "xipUserName"), kZhangSan);
    EXPECT_EQ(intake::ParamValue(decoded, "xipMac"), "52:54:00:12:34:56");
    EXPECT_EQ(intake::ParamValue(decoded, "xipMacs"), "52:54:00:12:34:56,52:54:00:AB:CD:EF");
}

TEST(FormEncoding, ServerAnswers) {
    const std::string thanks(protocol::kThankYouReply);
    EXPECT_TRUE(
        ParseServerAnswer("HTTP/1.1 200 OK\r\nContent-Length: 22\r\n\r\n" + thanks).thanked);
    // The intake may also answer with the bare bytes.
    EXPECT_TRUE(ParseServerAnswer(thanks).thanked);

    const ServerAnswer failed =
        ParseServerAnswer("HTTP/1.1 500 Internal Server Error\r\n\r\ndatabase is locked");
    EXPECT_FALSE(failed.thanked);
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.body, "database is locked");

    EXPECT_FALSE(ParseServerAnswer("HTTP/1.1 200 OK\r\n\r\n<html>").thanked);
    EXPECT_FALSE(ParseServerAnswer("HTTP/1.1 500 x\r\n\r\n" + thanks).thanked);
    EXPECT_FALSE(ParseServerAnswer("HTTP/1.1 200 OK\r\nContent-Len").thanked);
}

TEST(CommandLine, SilentRunsNeedAUserAndAValidServer) {
    const CommandLine line =
        ParseCommandLine({"--silent", "--user", kZhangSan, "--dept=IT", "--tel", "8001", "--note",
                          "", "--server", "inventory.local:8899"});
    EXPECT_TRUE(line.silent);
    EXPECT_EQ(line.person.user, kZhangSan);
    EXPECT_EQ(line.person.dept, "IT");
    EXPECT_EQ(line.person.tel, "8001");
    EXPECT_EQ(line.server, "inventory.local:8899");

    EXPECT_FALSE(ParseCommandLine({}).silent);
    EXPECT_THROW(ParseCommandLine({"--silent"}), std::runtime_error);
    EXPECT_THROW(ParseCommandLine({"--silent", "--user", ""}), std::runtime_error);
    EXPECT_THROW(ParseCommandLine({"--user"}), std::runtime_error);
    EXPECT_THROW(ParseCommandLine({"--users=x"}), std::runtime_error);
    EXPECT_THROW(ParseCommandLine({"--server", "a b:80"}), std::runtime_error);
    EXPECT_THROW(ParseCommandLine({"/silent"}), std::runtime_error);
}

}  // namespace
}  // namespace vantrel::collector
