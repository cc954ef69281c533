// The window at run time: handler errors, the error box rule, the event log
// fed from many threads, online-list marks, closing and the program's exit
// statuses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QTableView>
#include <QTimer>
#include <atomic>
#include <set>
#include <thread>

#include "GbkConvert.h"
#include "GbkText.h"
#include "HttpService.h"
#include "IntakeError.h"
#include "InventoryModel.h"
#include "OnlineListModel.h"
#include "Program.h"
#include "QtDialogs.h"
#include "VantrelApplication.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

TEST(ErrorBox, AppendsADotUnlessTheLastByteSortsAtOrBeforeIt) {
    EXPECT_EQ(Dialogs::ErrorBoxText("Table not found"), "Table not found.");
    EXPECT_EQ(Dialogs::ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(Dialogs::ErrorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(Dialogs::ErrorBoxText("(db.mdb)"), "(db.mdb)");
    EXPECT_EQ(Dialogs::ErrorBoxText("a,"), "a,");
    EXPECT_EQ(Dialogs::ErrorBoxText("a-"), "a-");  // '-' sorts before '.'
    EXPECT_EQ(Dialogs::ErrorBoxText("a b "), "a b ");
    EXPECT_EQ(Dialogs::ErrorBoxText("path/"), "path/.");  // '/' sorts after '.'
    EXPECT_EQ(Dialogs::ErrorBoxText("1"), "1.");
    EXPECT_EQ(Dialogs::ErrorBoxText(""), "");
    // A GBK message ends in a trail byte above '.'.
    EXPECT_EQ(Dialogs::ErrorBoxText("\xb4\xed\xce\xf3"), "\xb4\xed\xce\xf3.");  // 错误
}

TEST(ApplicationError, NamesTheErrorTypeAndCarriesItsMessage) {
    const std::string text = ApplicationErrorText(
        intake::IntakeError("Could not bind socket. Address and port are already in use."));
    EXPECT_EQ(text,
              "Exception IntakeError in module vantrel.\n"
              "Could not bind socket. Address and port are already in use.");
}

TEST(GbkText, RoundTripsGbkAndMarksInvalidBytes) {
    const std::string gbk = "PC\xd6\xf7\xbb\xfa\xc3\xfb 1";  // PC主机名 1
    EXPECT_EQ(FromGbk(gbk), QStringLiteral("PC主机名 1"));
    EXPECT_EQ(ToGbk(FromGbk(gbk)), gbk);
    // A lone lead byte, an invalid pair and a cut-off last character each
    // show as one replacement mark per byte that cannot be read.
    EXPECT_EQ(FromGbk("a\xff"
                      "b"),
              QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(FromGbk("\xd6\xf7\xbb"), QStringLiteral("主\uFFFD"));
    EXPECT_EQ(FromGbk(std::string("x\0y", 3)), QString::fromLatin1("x\0y", 3));
}

TEST(GbkText, RefusesTextThatGbkCannotHold) {
    try {
        ToGbk(QStringLiteral("ok \U0001F600"));
        FAIL() << "emoji accepted";
    } catch (const GbkError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("U+1F600"), std::string::npos);
        EXPECT_NE(message.find("GBK"), std::string::npos);
        EXPECT_NO_THROW(FromGbk(message));  // shown in the error box as GBK
    }
    EXPECT_THROW(ToGbk(QStringLiteral("\u00e9t\u00e9 \u0915")), GbkError);  // Devanagari
    EXPECT_EQ(ToGbk(QStringLiteral("\u00e9")), "\xa8\xa6");                 // é exists in GBK
}

TEST(SaveDialog, FilterEntriesBecomeQtNameFilters) {
    EXPECT_EQ(
        QtDialogs::NameFilters("Excel2007|*.xlsx|Excel2003|*.xls"),
        (QStringList{QStringLiteral("Excel2007 (*.xlsx)"), QStringLiteral("Excel2003 (*.xls)")}));
    EXPECT_EQ(QtDialogs::NameFilters("Text files (*.txt)|*.TXT|odd"),
              QStringList{QStringLiteral("Text files (*.txt)")});
}

TEST(QtDialogs, NeverWaitForAnAnswerWithoutADisplay) {
    // The program run headless must not hang on a box nobody can close:
    // each answers at once, a question with No, a file dialog cancelled.
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    QtDialogs dialogs;
    dialogs.ShowInformation("\xb1\xa3\xb4\xe6\xb3\xc9\xb9\xa6\xa3\xa1");  // 保存成功！
    dialogs.ShowError("db.mdb missing");
    dialogs.ShowApplicationError("Exception IntakeError in module vantrel.\nbind");
    EXPECT_EQ(dialogs.ShowWarning("\xc8\xb7\xb6\xa8"), ModalResult::No);
    EXPECT_EQ(dialogs.ShowConfirmation("Delete?"), ModalResult::Cancel);
    EXPECT_FALSE(dialogs.AskSaveFile(SaveDialogRequest{"Text|*.txt", 1, "", "txt"}).has_value());
}

using Window = WindowFixture;

TEST_F(Window, ErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
    MakeDatabase();
    MainWindow& form = Open();
    form.RunHandler([] { throw std::runtime_error("dataset closed"); });
    form.RunHandler([] { throw 42; });
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0], "dataset closed.");
    EXPECT_EQ(dialogs.errors[1], "\xce\xb4\xd6\xaa\xb4\xed\xce\xf3.");  // 未知错误.
    EXPECT_TRUE(program->Intake().Active());
}

// An object whose event handler throws, as a handler of a future control might.
class ThrowingObject : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("escaped from an event handler");
        }
        return QObject::event(e);
    }
};

TEST(Application, ErrorEscapingAnEventHandlerGoesToTheErrorBox) {
    FakeDialogs dialogs;
    auto* application = static_cast<VantrelApplication*>(QCoreApplication::instance());
    application->SetDialogs(&dialogs);
    ThrowingObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    application->SetDialogs(nullptr);
    EXPECT_EQ(dialogs.errors, (std::vector<std::string>{"escaped from an event handler.",
                                                        "escaped from an event handler."}));
}

TEST_F(Window, InPlaceEditGoesToThePendingBatchAndRefusesNonGbkText) {
    MakeDatabase(
        "insert into ip (bm, mac) values ('a', 'm1');"
        "insert into ip (bm, mac) values ('b', 'm2');");
    MainWindow& form = Open();
    auto* model = Model(form);
    const QModelIndex user = model->index(1, 1);  // row of 'b', 使用者

    ASSERT_TRUE(model->flags(user) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->setData(user, QStringLiteral("张三")));
    EXPECT_EQ(model->data(user).toString(), QStringLiteral("张三"));
    EXPECT_EQ(form.Inventory().Dataset().RecNo(), 1);
    // Moving to another row posts the edit; nothing reaches the database.
    model->SetCurrentRow(0);
    EXPECT_TRUE(form.Inventory().Dataset().HasPendingChanges());
    EXPECT_EQ(QueryText(options.databasePath, "select count(*) from ip where username is null"),
              "2");

    EXPECT_FALSE(model->setData(model->index(0, 1), QStringLiteral("\U0001F600")));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("U+1F600"), std::string::npos);
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), QString());
}

TEST_F(Window, EditorLeftWithoutAChangeChangesNothing) {
    MakeDatabase(
        "insert into ip (bm, mac) values ('a', 'm1');"
        "insert into ip (bm, mac, bz) values ('b', 'm2', x'ff41');");
    MainWindow& form = Open();
    auto* model = Model(form);
    // A null cell given back its shown empty text stays null and pends nothing.
    const QModelIndex user = model->index(0, 1);
    EXPECT_TRUE(model->setData(user, model->data(user, Qt::EditRole)));
    EXPECT_FALSE(form.Inventory().Dataset().HasPendingChanges());
    EXPECT_FALSE(
        form.Inventory().Dataset().Value(0, static_cast<std::size_t>(model->FieldOfColumn(1))));
    // Bytes that are not GBK, shown with a replacement mark, are not refused
    // when nobody changed them.
    const QModelIndex remark = model->index(1, 16);
    EXPECT_TRUE(model->setData(remark, model->data(remark, Qt::EditRole)));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_FALSE(form.Inventory().Dataset().HasPendingChanges());
    // An appended row whose editor closed untouched is still dropped.
    form.Inventory().Dataset().Append();
    form.Inventory().DataSetChanged();
    const QModelIndex fresh = model->index(2, 1);
    EXPECT_TRUE(model->setData(fresh, model->data(fresh, Qt::EditRole)));
    form.Inventory().Dataset().EndEdit();
    EXPECT_EQ(form.Inventory().Dataset().RecordCount(), 2u);
    EXPECT_FALSE(form.Inventory().Dataset().HasPendingChanges());
}

TEST_F(Window, GridColumnsAreMatchedToFieldsIgnoringCase) {
    MakeDatabase();
    MainWindow& form = Open();
    for (int c = 0; c < InventoryModel::kColumnCount; ++c) {
        EXPECT_GE(Model(form)->FieldOfColumn(c), 0) << c;  // "BIOS" finds bios
    }
    EXPECT_EQ(Model(form)->FieldOfColumn(17), -1);
}

TEST_F(Window, LogLinesPostedFromManyThreadsArriveWholeAndOnce) {
    MakeDatabase();
    MainWindow& form = Open();
    constexpr int kThreads = 8;
    constexpr int kLines = 60;
    std::vector<std::thread> writers;
    intake::ReportSink& sink = program->Sink();
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&sink, t] {
            for (int i = 0; i < kLines; ++i) {
                // GBK text, so that a torn line would also break a character.
                sink.PostLogLine("\xd5\xc5\xc8\xfd " + std::to_string(t) + "-" + std::to_string(i) +
                                 " \xd2\xd1\xcc\xe1\xbd\xbb");
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    ASSERT_TRUE(
        WaitFor([&] { return form.EventLog().LogLines().size() == 2 + kThreads * kLines; }));
    std::vector<std::string> lines = form.EventLog().LogLines();
    std::set<std::string> seen(lines.begin() + 2, lines.end());
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLines; ++i) {
            EXPECT_TRUE(seen.count("\xd5\xc5\xc8\xfd " + std::to_string(t) + "-" +
                                   std::to_string(i) + " \xd2\xd1\xcc\xe1\xbd\xbb"));
        }
    }
    // A line break inside a posted text does not split the line.
    program->Sink().PostLogLine("user\r\nname");
    ASSERT_TRUE(
        WaitFor([&] { return form.EventLog().LogLines().size() == 3 + kThreads * kLines; }));
    EXPECT_EQ(form.EventLog().LogLines().back(), "user  name");
}

TEST_F(Window, PostedMarkUpdatesTheOnlineListAndItsGrid) {
    MakeDatabase();
    MainWindow& form = Open();
    form.Scan().List().FillSlot("PC1", "127.0.0.2", "00.11.22.33.44.55");
    form.Scan().List().FillSlot("PC2", "127.0.0.3", "00.11.22.33.44.66");
    form.Scan().OnlineListChanged();
    ASSERT_EQ(OnlineCells(form)->rowCount(), 3);

    program->Sink().PostMark("127.0.0.3", "\xd5\xc5\xc8\xfd");  // 张三
    EXPECT_EQ(form.Scan().List().Cell(3, 2), "");               // queued, not done in the caller
    ASSERT_TRUE(WaitFor([&] { return !form.Scan().List().Cell(3, 2).empty(); }));
    EXPECT_EQ(form.Scan().List().Cell(3, 2), "\xd5\xc5\xc8\xfd \xd2\xd1\xcc\xe1\xbd\xbb");
    auto* cells = OnlineCells(form);
    EXPECT_EQ(cells->data(cells->index(1, 3)).toString(), QStringLiteral("张三 已提交"));
    EXPECT_EQ(cells->data(cells->index(0, 3)).toString(), QString());
}

TEST_F(Window, ClosingWritesAnEmptyHistoryAndDropsUnsavedChanges) {
    MakeDatabase("insert into ip (bm, mac) values ('a', 'm1');");
    { std::ofstream(options.historyFile) << "192.168.1.23\n"; }
    MainWindow& form = Open();
    const std::uint16_t port = Port();
    ASSERT_TRUE(Model(form)->setData(Model(form)->index(0, 0), QStringLiteral("x")));
    form.show();
    EXPECT_TRUE(form.close());  // the close question answered Yes
    program.reset();

    EXPECT_TRUE(std::filesystem::exists(options.historyFile));
    EXPECT_EQ(std::filesystem::file_size(options.historyFile), 0u);
    EXPECT_EQ(QueryText(options.databasePath, "select bm from ip"), "a");
    EXPECT_LT(testsupport::Connect(port), 0);  // the service has stopped
}

TEST_F(Window, ProgramOnAPortInUseSaysItRunsAlreadyAndEndsWithOne) {
    MakeDatabase();
    // Occupy a port on 0.0.0.0 the way another program would.
    int busy = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ASSERT_EQ(::bind(busy, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(busy, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(busy, reinterpret_cast<sockaddr*>(&address), &length);
    options.port = ntohs(address.sin_port);

    EXPECT_EQ(RunProgram(options), 1);
    ::close(busy);
    EXPECT_EQ(dialogs.informations,
              std::vector<std::string>{text::Utf8ToGbk(
                  "Vantrel 已在运行（端口 " + std::to_string(options.port) + " 已被占用）")});
    EXPECT_TRUE(dialogs.applicationErrors.empty());
    EXPECT_TRUE(dialogs.errors.empty());  // start-up never ran
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(std::filesystem::exists(options.historyFile));
}

TEST_F(Window, ProgramRunsUntilTheWindowClosesAndEndsWithZero) {
    MakeDatabase();
    QTimer::singleShot(0, [] { QApplication::closeAllWindows(); });
    EXPECT_EQ(RunProgram(options), 0);
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Vantrel"));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(std::filesystem::file_size(options.historyFile), 0u);
}

}  // namespace
}  // namespace vantrel::app::test
