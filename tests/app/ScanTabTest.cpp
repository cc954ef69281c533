// sweepButton and the online list driven on the offscreen platform against a
// fake name service on loopback addresses.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>

#include "FakeNbns.h"
#include "GbkText.h"
#include "HttpService.h"
#include "OnlineListModel.h"
#include "ScanTab.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

using namespace std::chrono_literals;
using testsupport::FakeNbns;
using testsupport::LoopbackRange;

const char kStart[] = "\xBF\xAA\xCA\xBC";
const char kStop[] = "\xCD\xA3\xD6\xB9";
const char kStartSearch[] = "\xBF\xAA\xCA\xBC\xB2\xE9\xD5\xD2";
const char kInvalid[] =
    "IP\xB5\xD8\xD6\xB7\xB7\xC7\xB7\xA8\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2\xCA\xE4\xC8\xEB";
const std::string kCount = "\xD4\xDA\xCF\xDF\xB5\xE7\xC4\xD4\xCA\xFD\xC1\xBF\xA3\xBA";
const std::string kUnit = " \xCC\xA8";

// `mac`: six bytes, which may be zero.
std::string Answer(const std::string& name, const char (&mac)[7]) {
    return testsupport::NodeStatusAnswer({{name, 0x20}}, std::string(mac, 6));
}

class ScanTab : public WindowFixture {
  protected:
    MainWindow& OpenAimedAt(const FakeNbns& nbns) {
        options.nbnsPort = nbns.Port();
        return Open();
    }

    void Range(const std::string& from, const std::string& to) {
        Control<QLineEdit>(program->Window(), "firstAddressEdit")->setText(FromGbk(from));
        Control<QLineEdit>(program->Window(), "lastAddressEdit")->setText(FromGbk(to));
    }

    void Click() {
        QTest::mouseClick(Control<QPushButton>(program->Window(), "sweepButton"), Qt::LeftButton);
    }

    std::string Caption() const {
        return ToGbk(Control<QPushButton>(program->Window(), "sweepButton")->text());
    }
    int Tag() const { return program->Window().Scan().Tag(); }
    std::string probeAddressLabel() const {
        return ToGbk(Control<QLabel>(program->Window(), "probeAddressLabel")->text());
    }
    std::string onlineCountLabel() const {
        return ToGbk(Control<QLabel>(program->Window(), "onlineCountLabel")->text());
    }

    bool WaitForIdle() {
        return WaitFor([&] { return Tag() == 0; });
    }
    bool Coloured(int modelRow) const {
        const QModelIndex index = OnlineCells(program->Window())->index(modelRow, 0);
        return OnlineCells(program->Window())->data(index, Qt::BackgroundRole).isValid();
    }
};

TEST_F(ScanTab, InvalidRangeShowsTheMessageAndStartsNothing) {
    MakeDatabase();
    FakeNbns nbns({"127.0.0.1"});
    MainWindow& form = OpenAimedAt(nbns);
    form.Scan().List().FillSlot("KEPT", "127.0.0.7", "00.00.00.00.00.01");
    // Each end is checked; 08 passes the check but cannot be read, and would
    // otherwise end the range at 255.255.255.255.
    for (const char* bad : {"192.168.1.256", "192.168..1", "", "127.0.0.08"}) {
        Range("127.0.0.1", bad);
        Click();
        Range(bad, "127.0.0.1");
        Click();
    }
    Control<QLineEdit>(program->Window(), "lastAddressEdit")
        ->setText(QStringLiteral("127.0.0.\u20AC"));  // GBK lacks it
    Click();
    EXPECT_EQ(dialogs.informations, std::vector<std::string>(9, kInvalid));
    EXPECT_EQ(Tag(), 0);
    EXPECT_EQ(Caption(), kStartSearch);
    EXPECT_EQ(form.Scan().List().RowCount(), 3u);  // not reset
    EXPECT_TRUE(dialogs.errors.empty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(nbns.Requests().empty());
}

TEST_F(ScanTab, SweepListsAnsweringHostsAndReturnsToIdle) {
    MakeDatabase();
    FakeNbns nbns(LoopbackRange(1, 4));
    nbns.Answer("127.0.0.2", Answer("\xB2\xC6\xCE\xF1PC01", "\x00\x0C\x29\xAB\xCD\xEF"));
    nbns.Answer("127.0.0.4", Answer("OTHER", "\x00\x0C\x29\x00\x00\x01"));
    MainWindow& form = OpenAimedAt(nbns);
    Range("127.0.0.1", "127.0.0.4");
    Click();
    EXPECT_EQ(Tag(), 1);
    EXPECT_EQ(Caption(), kStop);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(Caption(), kStartSearch);
    EXPECT_EQ(probeAddressLabel(), "");
    EXPECT_EQ(onlineCountLabel(), kCount + "2" + kUnit);
    ASSERT_EQ(form.Scan().List().RowCount(), 4u);
    EXPECT_EQ(form.Scan().List().Cell(1, 1), "127.0.0.2");
    EXPECT_EQ(form.Scan().List().Cell(2, 2), "00.0C.29.00.00.01");
    // The grid shows the GBK name with its padding.
    const QModelIndex name = OnlineCells(form)->index(0, 0);
    EXPECT_EQ(OnlineCells(form)->data(name).toString(), QStringLiteral("\u8D22\u52A1PC01       "));
    EXPECT_EQ(nbns.Requests(), LoopbackRange(1, 4));
    EXPECT_TRUE(dialogs.informations.empty());

    // A click after a complete sweep starts the next one at once. Probers
    // of sweeps before the previous one are closed.
    for (int sweep = 0; sweep < 2; ++sweep) {
        Click();
        EXPECT_EQ(Tag(), 1);
        ASSERT_TRUE(WaitForIdle());
    }
    EXPECT_EQ(form.Scan().ProberCount(), 2u);
    EXPECT_EQ(form.Scan().List().RowCount(), 4u);
}

TEST_F(ScanTab, StopKeepsWhatWasFoundAndARestartBeginsWithAnEmptyList) {
    MakeDatabase();
    FakeNbns nbns(LoopbackRange(1, 254));
    nbns.Answer("127.0.0.1", Answer("FIRST", "ABCDEF"));
    MainWindow& form = OpenAimedAt(nbns);
    Range("127.0.0.1", "127.0.0.254");
    Click();
    ASSERT_TRUE(WaitFor([&] { return probeAddressLabel() == "127.0.0.3"; }));
    Click();
    const std::size_t atStop = nbns.Requests().size();
    EXPECT_EQ(Tag(), 0);
    EXPECT_EQ(Caption(), kStart);
    QTest::qWait(400);
    EXPECT_LE(nbns.Requests().size(), atStop + 1);
    EXPECT_EQ(form.Scan().List().RowCount(), 3u);
    EXPECT_FALSE(probeAddressLabel().empty());
    EXPECT_EQ(onlineCountLabel(), kCount + "1" + kUnit);

    // Editing the range does not change a running sweep; the new sweep
    // drops the old rows, and the count stays until its first answer.
    Range("127.0.0.200", "127.0.0.201");
    Click();
    EXPECT_EQ(form.Scan().List().RowCount(), 2u);
    EXPECT_EQ(onlineCountLabel(), kCount + "1" + kUnit);
    Range("127.0.0.1", "127.0.0.1");
    ASSERT_TRUE(WaitForIdle());
    const auto requests = nbns.Requests();
    EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()),
              LoopbackRange(200, 201));
}

TEST_F(ScanTab, AbortInTheSendErrorBoxReturnsTheButtonToIdle) {
    MakeDatabase();
    options.nbnsPort = 0;  // every send fails
    Open();
    Range("127.0.0.1", "127.0.0.9");
    Click();
    ASSERT_TRUE(WaitFor([&] { return !dialogs.sendErrors.empty(); }));
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(Caption(), kStart);
    QTest::qWait(200);
    EXPECT_EQ(dialogs.sendErrors.size(), 1u);
    EXPECT_EQ(probeAddressLabel(), "127.0.0.1");

    // The next click starts a sweep again.
    Click();
    EXPECT_EQ(Caption(), kStop);
    ASSERT_TRUE(WaitFor([&] { return dialogs.sendErrors.size() == 2; }));
    ASSERT_TRUE(WaitForIdle());
}

TEST_F(ScanTab, ClosingDuringASweepEndsWithinASecond) {
    MakeDatabase();
    FakeNbns nbns(LoopbackRange(1, 254));
    OpenAimedAt(nbns);
    Range("127.0.0.1", "127.0.0.254");
    Click();
    ASSERT_TRUE(WaitFor([&] { return nbns.Requests().size() >= 2; }));
    const auto start = std::chrono::steady_clock::now();
    program->Window().close();
    program.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    const std::size_t atClose = nbns.Requests().size();
    QTest::qWait(300);
    EXPECT_LE(nbns.Requests().size(), atClose + 1);
}

TEST_F(ScanTab, UnreportedHostsStandOutUntilTheirReportArrives) {
    // The inventory writes MACs its own way: case and separators differ.
    MakeDatabase("insert into ip (pcname, mac, ip) values ('KNOWN', '00-0c-29-ab-cd-ef', 'x');");
    FakeNbns nbns(LoopbackRange(1, 3));
    nbns.Answer("127.0.0.2", Answer("KNOWN", "\x00\x0C\x29\xAB\xCD\xEF"));
    nbns.Answer("127.0.0.2", Answer("KNOWN", "\x00\x0C\x29\xAB\xCD\xEF"));
    nbns.Answer("127.0.0.3", Answer("NEWPC", "\x11\x22\x33\x44\x55\x66"));
    MainWindow& form = OpenAimedAt(nbns);
    Range("127.0.0.1", "127.0.0.3");
    Click();
    ASSERT_TRUE(WaitForIdle());
    // A busy machine may read the duplicate answer after the sweep's end.
    ASSERT_TRUE(WaitFor([&] { return form.Scan().List().RowCount() == 5u; }));
    EXPECT_FALSE(Coloured(0));
    EXPECT_FALSE(Coloured(1));
    EXPECT_TRUE(Coloured(2));
    EXPECT_FALSE(Coloured(3));  // the empty slot

    // Reports mark both rows of the duplicated host, and the new PC's report
    // takes its colour away; the texts stay as the list holds them.
    const std::uint16_t port = Port();
    Exchange(port,
             "GET /post?xipUserName=amy&xipMac=00:0C:29:AB:CD:EF&xipIp=127.0.0.2 HTTP/1.0\r\n\r\n");
    Exchange(port,
             "GET /post?xipUserName=bob&xipMac=11.22.33.44.55.66&xipIp=127.0.0.3 HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(WaitFor([&] { return !form.Scan().List().Cell(3, 3).empty(); }));
    EXPECT_EQ(form.Scan().List().Cell(3, 1), "amy \xD2\xD1\xCC\xE1\xBD\xBB");
    EXPECT_EQ(form.Scan().List().Cell(3, 2), "amy \xD2\xD1\xCC\xE1\xBD\xBB");
    EXPECT_FALSE(Coloured(2));
    EXPECT_EQ(form.Scan().List().Cell(2, 3), "11.22.33.44.55.66");
}

}  // namespace
}  // namespace vantrel::app::test
