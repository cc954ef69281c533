// The list of installed programs a report brings: the bounds of one list,
// lines that are not a program, and what a report with and without a list
// does to a PC's stored list.

#include <gtest/gtest.h>

#include "GbkConvert.h"
#include "ReportHandlerTestSupport.h"
#include "SoftwareField.h"
#include "SoftwareIntake.h"

namespace vantrel::intake::test {
namespace {

std::string ProgramLine(std::size_t n, const std::string& end = "\r\n") {
    return "Program " + std::to_string(n) + "\t1." + std::to_string(n) +
           "\tMaker\t2024-05-06\t64\tmachine\t1" + end;
}

std::string Lines(std::size_t count) {
    std::string field;
    for (std::size_t i = 0; i < count; ++i) {
        field += ProgramLine(i);
    }
    return field;
}

HttpRequest WithSoftware(const std::string& field) {
    return MakeRequest("POST", "/post", {"xipMac=02:4F:00:00:0A:01", "xipSoftware=" + field});
}

struct BoundCase {
    const char* what;
    std::string field;
    std::size_t kept;
    std::size_t skipped;
    std::size_t dropped;
    bool logged;
};

TEST(SoftwareIntake, ListsAtAndOverTheBoundsAndLinesThatAreNoProgram) {
    const std::size_t max = protocol::kMaxPrograms;
    // Lines of about 220 bytes: the byte bound comes before the line bound.
    std::string wide;
    const std::string publisher(200, 'p');
    for (std::size_t i = 0; i < 3000; ++i) {
        wide += "Wide " + std::to_string(1000 + i) + "\t1\t" + publisher + "\t\t32\tuser\t0\n";
    }
    const std::size_t wideLine = wide.find('\n') + 1;
    const BoundCase cases[] = {
        {"at the line bound", Lines(max), max, 0, 0, false},
        {"over the line bound", Lines(max + 3), max, 0, 3, true},
        {"over the byte bound", wide, protocol::kMaxSoftwareBytes / wideLine, 0,
         3000 - protocol::kMaxSoftwareBytes / wideLine, true},
        {"six values", ProgramLine(1) + "a\tb\tc\td\te\tf\n" + ProgramLine(2), 2, 1, 0, true},
        {"eight values", "a\tb\tc\td\te\tf\t1\tx\n" + ProgramLine(2), 1, 1, 0, true},
        {"an empty name",
         "\t1\tm\t\t64\tmachine\t1\n   \t1\tm\t\t64\tmachine\t1\n" + ProgramLine(3), 1, 2, 0, true},
        {"empty lines and line ends without CR", "\n" + ProgramLine(1, "\n") + "\r\n\n", 1, 0, 0,
         false},
        {"no line end at the end", ProgramLine(1) + ProgramLine(2, ""), 2, 0, 0, false},
        {"malformed lines count against no bound", std::string("x\n").append(Lines(max)), max, 1, 0,
         true},
    };
    for (const BoundCase& c : cases) {
        SCOPED_TRACE(c.what);
        const HttpRequest request = WithSoftware(c.field);
        const SoftwareIntake intake(request);
        ASSERT_NE(intake.List(), nullptr);
        EXPECT_EQ(intake.Kept(), c.kept);
        EXPECT_EQ(intake.Skipped(), c.skipped);
        EXPECT_EQ(intake.Dropped(), c.dropped);
        EXPECT_EQ(!intake.LogLine().empty(), c.logged) << text::GbkToUtf8(intake.LogLine());
        // Each kept line is a whole program, its values where they belong.
        const store::ProgramView first = store::SplitProgramLine(intake.List()->lines.front());
        EXPECT_FALSE(first.name.empty());
        EXPECT_EQ(first.scope.find('\r'), std::string_view::npos);
    }
}

TEST(SoftwareIntake, TheEventLogSaysWhatWasLeftOut) {
    const HttpRequest over = WithSoftware(Lines(protocol::kMaxPrograms + 12) + "bad\n");
    EXPECT_EQ(text::GbkToUtf8(SoftwareIntake(over).LogLine()),
              "  软件清单：只收下前 5000 项，另有 12 项超出上限未收；跳过格式不对的 1 行");
    const HttpRequest allBad = WithSoftware("bad\nworse\n");
    EXPECT_EQ(SoftwareIntake(allBad).List(), nullptr);
    EXPECT_EQ(text::GbkToUtf8(SoftwareIntake(allBad).LogLine()),
              "  软件清单：跳过格式不对的 2 行，保留原有清单");
}

TEST(SoftwareIntake, AReportWithoutAProgramBringsNoList) {
    const HttpRequest without = MakeRequest("POST", "/post", {"xipMac=02:4F:00:00:0A:01"});
    EXPECT_EQ(SoftwareIntake(without).List(), nullptr);
    EXPECT_EQ(SoftwareIntake(without).LogLine(), "");
    const HttpRequest empty = WithSoftware("");
    EXPECT_EQ(SoftwareIntake(empty).List(), nullptr);
    EXPECT_NE(SoftwareIntake(empty).LogLine(), "");
    // The field's name in any case, its first entry winning.
    const HttpRequest twice =
        MakeRequest("POST", "/post", {"XIPSOFTWARE=" + ProgramLine(7), "xipSoftware=" + Lines(3)});
    EXPECT_EQ(SoftwareIntake(twice).Kept(), 1u);
}

class SoftwareReportTest : public ::testing::Test {
  protected:
    SoftwareReportTest()
        : handler(connection, sink, FixedTime, TestDataPath("report-arp-missing.txt")) {
        connection.Open(db.File());
    }
    void Post(std::vector<std::string> params) {
        HttpRequest request = MakeRequest("POST", "/post", std::move(params));
        peer = FakeConnection();
        handler.RouteRequest(peer, request);
    }
    long long Programs() {
        return std::stoll(
            *db.Query("select count(*) from ip_software where mac='02:4F:00:00:0A:01'")
                 .at(0)
                 .at(0));
    }

    ScratchDatabase db;
    store::InventoryDatabase connection;
    FakeSink sink;
    FakeConnection peer;
    ReportHandler handler;
};

TEST_F(SoftwareReportTest, AListIsStoredWithTheReportAndAReportWithoutOneLeavesIt) {
    Post({"xipMac=02:4F:00:00:0A:01", "xipUserName=a", "xipSoftware=" + Lines(300)});
    EXPECT_EQ(Programs(), 300);
    EXPECT_EQ(sink.Lines().size(), 1u);
    Post({"xipMac=02:4F:00:00:0A:01", "xipUserName=a"});
    EXPECT_EQ(Programs(), 300);
    Post({"xipMac=02:4F:00:00:0A:01", "xipUserName=a", "xipSoftware="});
    EXPECT_EQ(Programs(), 300);
    Post({"xipMac=02:4F:00:00:0A:01", "xipUserName=a",
          "xipSoftware=" + Lines(protocol::kMaxPrograms + 1)});
    EXPECT_EQ(Programs(), static_cast<long long>(protocol::kMaxPrograms));
    // A list is no hardware: the report's line and the list's note only.
    ASSERT_GE(sink.Lines().size(), 2u);
    EXPECT_NE(text::GbkToUtf8(sink.Lines().back()).find("软件清单"), std::string::npos);
    EXPECT_NE(peer.written.find("200 OK"), std::string::npos);
}

// A PC sending a text the intake has seen before: its digest comes from
// the handler's memo, yet only a list that differs from the PC's stored one
// is written, down to a single changed character.
TEST_F(SoftwareReportTest, OnlyAListThatDiffersFromTheStoredOneIsWritten) {
    const std::string first = Lines(300);
    std::string upgraded = first;
    const std::string old = "Program 5\t1.5\t";
    upgraded.replace(upgraded.find(old), old.size(), "Program 5\t1.9\t");
    std::string reordered = ProgramLine(299);
    reordered += first.substr(0, first.find(ProgramLine(299)));
    struct Step {
        const char* what;
        std::string field;
        bool written;
    };
    const Step steps[] = {
        {"the same list again", first, false},
        {"its lines in another order", reordered, false},
        {"one version changed, the same length", upgraded, true},
        {"the upgraded list again", upgraded, false},
        {"the first text again, seen before", first, true},
    };
    // Rows a replace writes, counted by a trigger: a rewritten list may
    // hold the very same rows.
    db.Exec(
        "create table written_rows (n integer); create trigger count_rows after insert on "
        "ip_software begin insert into written_rows values (1); end");
    auto lastRow = [&] { return *db.Query("select count(*) from written_rows").at(0).at(0); };
    auto history = [&] {
        return db.Query("select newvalue from ip_history where field='software' order by rowid");
    };
    Post({"xipMac=02:4F:00:00:0A:01", "xipUserName=a", "xipSoftware=" + first});
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::string rowBefore = lastRow();
        const std::size_t changesBefore = history().size();
        Post({"xipMac=02:4F:00:00:0A:01", "xipUserName=a", "xipSoftware=" + step.field});
        EXPECT_EQ(lastRow() != rowBefore, step.written);
        EXPECT_EQ(history().size() != changesBefore, step.written);
        EXPECT_EQ(Programs(), 300);
    }
    const auto changes = history();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(text::GbkToUtf8(*changes[0].at(0)), "Program 5 1.5 → 1.9");
    EXPECT_EQ(text::GbkToUtf8(*changes[1].at(0)), "Program 5 1.9 → 1.5");
}

}  // namespace
}  // namespace vantrel::intake::test
