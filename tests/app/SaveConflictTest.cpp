// A report for a row being edited: the save writes every other row, names
// the row it left in the event log, and 刷新 lets the next save through.
#include <gtest/gtest.h>

#include <QPushButton>

#include "EventLogView.h"
#include "InventoryFixture.h"

namespace vantrel::app::test {
namespace {

const std::string kSaved = "\xb1\xa3\xb4\xe6\xb3\xc9\xb9\xa6\xa3\xa1";     // 保存成功！
const std::string kNotSaved = "\xb1\xa3\xb4\xe6\xca\xa7\xb0\xdc\xa3\xa1";  // 保存失败！
// 保存时 1 行已被其他提交修改，未保存：MAC d2
const std::string kOneLeft =
    "\xb1\xa3\xb4\xe6\xca\xb1 1 \xd0\xd0\xd2\xd1\xb1\xbb\xc6\xe4\xcb\xfb\xcc\xe1\xbd\xbb\xd0\xde"
    "\xb8\xc4\xa3\xac\xce\xb4\xb1\xa3\xb4\xe6\xa3\xbaMAC d2";
constexpr int kPhone = 15;  // 电话

using SaveConflict = InventoryFixture;

TEST_F(SaveConflict, AReportForAnEditedRowBlocksOnlyThatRowUntilRefreshed) {
    MainWindow& form = OpenInventory();
    ASSERT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d2", "d3", "d4"}));
    Enter(0, kPhone, QStringLiteral("111"));
    Enter(1, kPhone, QStringLiteral("222"));
    // The staff member at d2 sends a report with a telephone of his own.
    const std::size_t logged = form.EventLog().LogLines().size();
    const std::string reply =
        Exchange(Port(), "GET /post?xipUserName=staff&xipMac=d2&dh=999 HTTP/1.0\r\n\r\n");
    ASSERT_NE(reply.find("\xd0\xbb\xd0\xbb"), std::string::npos) << reply;  // 谢谢...
    ASSERT_TRUE(WaitFor([&] { return form.EventLog().LogLines().size() == logged + 1; }));

    Click(Control<QPushButton>(form, "saveButton"));  // 保存
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{kNotSaved});
    EXPECT_EQ(form.EventLog().LogLines().back(), kOneLeft);
    EXPECT_EQ(Db("select dh from ip where mac='d1'"), "111");
    EXPECT_EQ(Db("select dh || username from ip where mac='d2'"), "999staff");
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);
    EXPECT_EQ(Cell(1, kPhone), "222");

    // 刷新 shows the report under the edit; the next save writes the edit.
    Click(Control<QPushButton>(form, "refreshButton"));
    EXPECT_EQ(Cell(1, kUser), "staff");
    EXPECT_EQ(Cell(1, kPhone), "222");
    Click(Control<QPushButton>(form, "saveButton"));
    EXPECT_EQ(dialogs.informations.back(), kSaved);
    EXPECT_EQ(Db("select dh || username from ip where mac='d2'"), "222staff");
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 0u);
    EXPECT_EQ(form.EventLog().LogLines().size(), logged + 2);
    EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace vantrel::app::test
