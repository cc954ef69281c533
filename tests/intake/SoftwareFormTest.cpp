// A programs list kept as sent by the form parser: it decodes to what the
// other entries' decoding gives, a text seen before is not read again yet
// gives the same list, counts and log line, and the store still writes the
// lines when a PC's stored list differs.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "HttpTestSupport.h"
#include "HttpText.h"
#include "ReportHandlerTestSupport.h"
#include "SoftwareChanges.h"
#include "SoftwareField.h"
#include "SoftwareIntake.h"

namespace vantrel::intake::test {
namespace {

// Form-encodes `text` as a browser does: blanks as "+", all but letters
// and digits escaped.
std::string FormEncoded(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 && byte < 0x80) {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            out += escape;
        }
    }
    return out;
}

std::string ProgramLine(std::size_t n, const std::string& version = "1.0") {
    return "Program " + std::to_string(n) + "\t" + version +
           "\tMaker\t2024-05-06\t64\tmachine\t1\r\n";
}

std::string Lines(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += ProgramLine(i);
    }
    return text;
}

HttpRequest PostedForm(const std::string& body) {
    testing::Parsed parsed = testing::Parse(
        "POST /post HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(parsed.status, ParseStatus::Ok);
    return std::move(parsed.request);
}

// Every form the field's entry may take decodes as all other entries do,
// the first entry with the name being kept as sent.
TEST(SoftwareForm, TheKeptValueDecodesAsEveryOtherEntry) {
    const char* const bodies[] = {
        "xipMac=A&xipSoftware=a%09b+c%0D%0A&xipUserName=u",
        "XIPSOFTWARE=first&xipSoftware=second",
        "xip%53oftware=escaped+name",
        "xipSoftware%3Dvalue%3Dmore",
        "xipSoftware%00=dropped+escape&xipSoftware=x",
        "xipSoftware=%4&b=%",
        "xipSoftware=&xipSoftware=later",
        "xipSoftwar=near&xipSoftwares=x&xipSoftware",
        "a=1&xipSoftware=%D5%C5%%zz",
        "xipSoftware=before%00nul&after=1",
    };
    for (const char* const body : bodies) {
        SCOPED_TRACE(body);
        const std::vector<std::string> all = DecodeParams(body);
        std::optional<std::string_view> kept;
        const std::vector<std::string> entries =
            DecodeParamsKeeping(body, protocol::kSoftwareField, kept);
        ASSERT_EQ(entries.size(), all.size());
        bool found = false;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const bool named =
                !found &&
                text::EqualsIgnoringCase(std::string_view(all[i]).substr(0, 12), "xipSoftware=");
            if (!named) {
                EXPECT_EQ(entries[i], all[i]);
                continue;
            }
            found = true;
            EXPECT_EQ(entries[i], all[i].substr(0, 12));
            ASSERT_TRUE(kept.has_value());
            EXPECT_EQ(DecodePiece(*kept), all[i].substr(12));
        }
        EXPECT_EQ(kept.has_value(), found);
    }
    // The parser points at the value wherever the form came from.
    const HttpRequest body = PostedForm("a=1&xipSoftware=x%09y");
    EXPECT_EQ(body.SoftwareFormText(), "x%09y");
    testing::Parsed query = testing::Parse("GET /post?xipSoftware=q%41&b=2 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(query.request.SoftwareFormText(), "q%41");
    EXPECT_EQ(ParamValue(query.request, "b"), "2");
}

// Reads the same texts in order with one memo, each also without a memo:
// a text seen before comes from the memo (its lines read only on demand),
// and gives the same lines, digest, counts and log line.
TEST(SoftwareForm, ATextSeenBeforeGivesTheSameListFromTheMemo) {
    const std::string list = Lines(300);
    std::string changed = list;  // one character, the same length
    changed[changed.find("\t1.0\t", changed.find("Program 7\t")) + 3] = '9';
    const std::string messy =
        "\r\n" + ProgramLine(1) + "a\tb\n" + ProgramLine(2) + "\t1\t\t\t\t\t1\n";
    const std::string over = Lines(protocol::kMaxPrograms + 3);
    struct Step {
        const char* what;
        std::string text;
        bool fromMemo;
    };
    const Step steps[] = {
        {"a new list", list, false},
        {"the same text", list, true},
        {"a changed character, the same length", changed, false},
        {"the first again", list, true},
        {"skipped lines", messy, false},
        {"skipped lines again", messy, true},
        {"over the bound", over, false},
        {"over the bound again", over, true},
    };
    ListDigestMemo memo;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const HttpRequest request =
            PostedForm("xipMac=02:4F:00:00:0A:01&xipSoftware=" + FormEncoded(step.text));
        const SoftwareIntake plain(request);
        const SoftwareIntake read(request, &memo);
        ASSERT_NE(plain.List(), nullptr);
        ASSERT_NE(read.List(), nullptr);
        EXPECT_EQ(static_cast<bool>(read.List()->readLines), step.fromMemo);
        EXPECT_EQ(read.List()->digest, plain.List()->digest);
        EXPECT_EQ(read.List()->digest, store::SoftwareDigest(store::ProgramsOf(*plain.List())));
        EXPECT_EQ(read.Kept(), plain.Kept());
        EXPECT_EQ(read.Skipped(), plain.Skipped());
        EXPECT_EQ(read.Dropped(), plain.Dropped());
        EXPECT_EQ(read.LogLine(), plain.LogLine());
        EXPECT_EQ(read.List()->Lines(), plain.List()->lines);
        // Asked twice, the lines are read once and stay the same.
        EXPECT_EQ(read.List()->Lines(), plain.List()->lines);
    }
}

class SoftwareFormReportTest : public ::testing::Test {
  protected:
    SoftwareFormReportTest()
        : handler(connection, sink, FixedTime, TestDataPath("report-arp-missing.txt")) {
        connection.Open(db.File());
    }
    void Post(const std::string& mac, const std::string& text) {
        const HttpRequest request =
            PostedForm("xipMac=" + mac + "&xipUserName=a&xipSoftware=" + FormEncoded(text));
        peer = FakeConnection();
        handler.RouteRequest(peer, request);
    }
    std::vector<std::vector<std::optional<std::string>>> Programs(const std::string& mac) {
        return db.Query(
            "select name,version,publisher,installdate,bits,scope,app from ip_software where "
            "mac='" +
            mac + "' order by name");
    }

    ScratchDatabase db;
    store::InventoryDatabase connection;
    FakeSink sink;
    FakeConnection peer;
    ReportHandler handler;
};

// A text the memo knows, sent by a PC whose stored list is another (none
// yet, or an older one), is decoded and written in full.
TEST_F(SoftwareFormReportTest, ATextFromTheMemoIsWrittenWhereTheStoredListDiffers) {
    const std::string list = Lines(300) + "no program\n";
    const std::string upgraded = Lines(299) + ProgramLine(299, "2.0");
    const std::string first = "02:4F:00:00:0A:01";
    const std::string second = "02:4F:00:00:0A:02";
    Post(first, list);
    const std::vector<std::string> firstLog = sink.Lines();
    ASSERT_EQ(Programs(first).size(), 300u);
    // Another PC with the same programs: the first list it sends.
    Post(second, list);
    EXPECT_EQ(Programs(second), Programs(first));
    ASSERT_GE(sink.Lines().size(), 2u);
    EXPECT_EQ(sink.Lines().back(), firstLog.back());
    // The first PC upgrades a program, then goes back to the text the
    // memo holds: the stored list is the upgraded one, so it is rewritten.
    Post(first, upgraded);
    Post(first, list);
    EXPECT_EQ(Programs(first), Programs(second));
    const auto changes =
        db.Query("select newvalue from ip_history where field='software' order by rowid");
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_NE(peer.written.find("200 OK"), std::string::npos);
}

}  // namespace
}  // namespace vantrel::intake::test
