// The 导入 button through the real preview window: the dialog's types, the
// preview and its counts, the mapping box, the log line and the grid that
// keeps its search; pending edits first; 取消 writes nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "EventLogView.h"
#include "GbkConvert.h"
#include "ImportPreviewDialog.h"
#include "InventoryFixture.h"

namespace vantrel::app::test {
namespace {

std::string G(const char* utf8) {
    return text::Utf8ToGbk(utf8);
}

class ImportWindowTest : public InventoryFixture {
  protected:
    void SetUp() override {
        InventoryFixture::SetUp();
        // 财务部's zhang (given a real MAC below) is renamed; 5E is new; the
        // third row has neither MAC nor PC name.
        file_ = Path("办公室电脑.csv");
        std::ofstream(file_) << "部门,使用者,MAC地址,备注\r\n"
                                "财务部,zhang2,00-1a-2b-3c-4d-03,x\r\n"
                                "财务部,zhou,00-1A-2B-3C-4D-5E,y\r\n"
                                "技术部,,,z\r\n";
        dialogs.openAnswer = file_;
    }

    // Clicks 导入 and runs `drive` on the preview once it has its counts.
    // A repeating timer looks for it: the worker's results must reach the
    // dialog through its own event loop, not a loop nested in a handler.
    void ImportWith(const std::function<void(ImportPreviewDialog&)>& drive) {
        bool driven = false;
        QTimer poll;
        poll.setInterval(20);
        QDeadlineTimer deadline(30000);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* preview = qobject_cast<ImportPreviewDialog*>(QApplication::activeModalWidget());
            if (preview == nullptr) {
                return;
            }
            if (preview->Busy() || preview->MappingBox(0) == nullptr) {
                if (deadline.hasExpired()) {
                    preview->reject();  // a failed check must not leave it open
                }
                return;
            }
            poll.stop();
            driven = true;
            const QPointer<ImportPreviewDialog> open(preview);
            const auto close = qScopeGuard([&] {
                if (open && open->isVisible()) {
                    open->reject();
                }
            });
            drive(*preview);
        });
        poll.start();
        Click(Control<QPushButton>(Form(), "importButton"));
        EXPECT_TRUE(driven);
    }

    std::string file_;
};

TEST_F(ImportWindowTest, PreviewImportsAndTheGridKeepsItsSearch) {
    MainWindow& form = OpenInventory();
    Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(0);  // 部门
    Control<QComboBox>(form, "matchCombo")->setEditText(FromGbk(G("等于")));
    Control<QLineEdit>(form, "searchTextEdit")->setText(FromGbk(kFinance));
    Click(Control<QPushButton>(form, "searchButton"));
    const store::FilterCondition filter = form.Inventory().Dataset().Filter();
    ASSERT_EQ(filter.Text(), kFinance);
    RunSql(options.databasePath, "update ip set mac='00-1A-2B-3C-4D-03' where mac='d3'");

    ImportWith([&](ImportPreviewDialog& preview) {
        auto* table = preview.findChild<QTableWidget*>(QStringLiteral("previewTable"));
        EXPECT_EQ(table->rowCount(), 4);  // the mapping row and three rows
        EXPECT_EQ(table->item(2, 1)->text(), QStringLiteral("zhou"));
        EXPECT_EQ(preview.MappingBox(2)->currentText(), FromGbk(G("MAC地址")));
        // The problem row; 备注 mapped away counts nothing new.
        auto* problems = preview.findChild<QListWidget*>(QStringLiteral("problemList"));
        ASSERT_EQ(problems->count(), 1);
        EXPECT_TRUE(problems->item(0)->text().startsWith(QString::fromUtf8("第 4 行：")));
        EXPECT_TRUE(preview.findChild<QLabel*>(QStringLiteral("countsLabel"))
                        ->text()
                        .contains(QString::fromUtf8("新增 1 台，更新 1 台")));
        // The README's picture of the preview, when asked for.
        if (const char* shots = std::getenv("VANTREL_SCREENSHOT_DIR")) {
            preview.grab().save(QString::fromUtf8(shots) + QStringLiteral("/import-preview.png"));
        }
        preview.MappingBox(3)->setCurrentIndex(0);  // 备注: 不导入
        emit preview.MappingBox(3)->activated(0);
        ASSERT_TRUE(WaitFor([&] { return !preview.Busy(); }));
        Click(preview.findChild<QPushButton*>(QStringLiteral("importButton")));
        // The write runs on the worker; the preview closes when it is done.
        EXPECT_TRUE(WaitFor([&] { return !preview.isVisible(); }));
    });
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(form.EventLog().LogLines().back(),
              G("已从 办公室电脑.csv 导入：新增 1 台，更新 1 台，跳过 1 行"));
    EXPECT_TRUE(form.Inventory().Dataset().Filter() == filter);
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang2", "wang", "zhou"}));
    EXPECT_EQ(Db("select bz from ip where mac='00:1A:2B:3C:4D:5E'"), "");
    EXPECT_EQ(Db("select address from ip_history where mac='00-1A-2B-3C-4D-03'"),
              G("导入：办公室电脑.csv"));
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].front(), "Excel 文件 (*.xlsx *.xls)");
}

TEST_F(ImportWindowTest, PendingEditsComeFirstAndCancelWritesNothing) {
    OpenInventory();
    Enter(0, kUser, QStringLiteral("edited"));
    dialogs.warningAnswer = ModalResult::No;  // do not save: no import
    Click(Control<QPushButton>(Form(), "importButton"));
    EXPECT_EQ(dialogs.warnings.size(), 1u);
    EXPECT_TRUE(dialogs.openRequests.empty());

    dialogs.warningAnswer = ModalResult::Yes;  // saved, then the import goes on
    ImportWith([&](ImportPreviewDialog& preview) {
        Click(preview.findChild<QPushButton*>(QStringLiteral("cancelImportButton")));
    });
    EXPECT_EQ(Db("select count(*) from ip where username='edited'"), "1");
    EXPECT_EQ(Db("select count(*) from ip"), "4");
    EXPECT_EQ(Db("select count(*) from ip_history"), "0");
}

}  // namespace
}  // namespace vantrel::app::test
