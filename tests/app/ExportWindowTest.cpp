// The two export buttons of the window: the inventory export's dialog,
// writers, messages and the grid's position afterwards; the online-list
// export's rows, formats and its dialog that remembers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <filesystem>

#include "ExportHandlers.h"
#include "InventoryModel.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

using namespace std::string_literals;

const std::string kBuMen = "\xb2\xbf\xc3\xc5";  // 部门

// 100 rows ascending by department once sorted, 部门1xx in bm.
const std::string kHundredRows =
    "WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 199) "
    "INSERT INTO ip (bm, username, mac) SELECT '" +
    kBuMen + "' || i, 'u' || i, 'm\"' || i FROM n;";

class ExportWindow : public WindowFixture {
  protected:
    MainWindow& OpenWithRows() {
        MakeDatabase(kHundredRows);
        MainWindow& form = Open();
        form.resize(1054, 577);
        form.show();
        return form;
    }
    void Answer(const std::string& name, int filterIndex) {
        dialogs.saveAnswer = SaveDialogAnswer{Path(name), filterIndex};
    }
};

TEST_F(ExportWindow, DialogOffersFiveTypesAndCancelWritesNothing) {
    MainWindow& form = OpenWithRows();
    Control<QPushButton>(form, "exportButton")->click();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const SaveDialogRequest& request = dialogs.saveRequests[0];
    EXPECT_EQ(request.filter,
              "Excel \xce\xc4\xb5\xb5 (*.xls)|*.XLS|Text files (*.txt)|*.TXT|"
              "Comma separated values (*.csv)|*.CSV|HTML file (*.htm)|*.HTM|"
              "Rich Text Format (*.rtf)|*.RTF");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.fileName, "");
    EXPECT_EQ(request.defaultExtension, "XLS");
    EXPECT_TRUE(dialogs.informations.empty());

    Answer("six", 6);  // an index without a writer
    Control<QPushButton>(form, "exportButton")->click();
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_FALSE(std::filesystem::exists(Path("six")));
}

// Which writer each entry picks; the writers' bytes are the export tests'.
TEST_F(ExportWindow, EachEntryWritesItsFormatToThePathAsChosen) {
    MainWindow& form = OpenWithRows();
    const struct {
        int index;
        std::string start;
    } cases[] = {
        {1, "\x09\x08"s},            // BIFF BOF
        {2, kBuMen + "\t"},          // the first title, tab-separated
        {3, "\"" + kBuMen + "\";"},  // quoted, semicolon-separated
        {4, "<!DOCTYPE HTML PUBLIC"},
        {5, "{\\rtf0"},
    };
    const char* extensions[] = {"", ".XLS", ".TXT", ".CSV", ".HTM", ".RTF"};
    for (const auto& c : cases) {
        // A name typed without extension gets the chosen entry's.
        const std::string name = "inventory-" + std::to_string(c.index);
        const std::string written = Path(name + extensions[c.index]);
        Answer(name, c.index);
        Control<QPushButton>(form, "exportButton")->click();
        EXPECT_EQ(ReadFile(written).substr(0, c.start.size()), c.start) << c.index;
        EXPECT_FALSE(std::filesystem::exists(Path(name))) << c.index;
        ASSERT_EQ(dialogs.informations.size(), static_cast<std::size_t>(c.index));
        EXPECT_EQ(dialogs.informations.back(), kExportDone + "\n"s + written);
    }
    // A name with an extension is used as typed, whatever the entry.
    Answer("list2.XLS", 3);
    Control<QPushButton>(form, "exportButton")->click();
    EXPECT_EQ(ReadFile(Path("list2.XLS")).substr(0, 1), "\"");
    // The look comes from the grid: its font, text colour and column widths.
    EXPECT_NE(ReadFile(Path("inventory-4.HTM"))
                  .find("  <TD WIDTH=62 ALIGN=\"CENTER\"><FONT STYLE=\"font-family: "
                        "\xcb\xce\xcc\xe5; font-size: 10pt; color: #000000\">" +
                        kBuMen + "</FONT></TD>\r\n"),
              std::string::npos);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ExportWindow, GridComesBackAfterSuccessAndAfterFailure) {
    MainWindow& form = OpenWithRows();
    QTableView& grid = *Grid(form);
    grid.setCurrentIndex(Model(form)->index(60, 2));
    QApplication::processEvents();
    grid.verticalScrollBar()->setValue(50);
    const int scroll = grid.verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    ASSERT_EQ(form.Inventory().Dataset().RecNo(), 60);

    auto expectBack = [&](const char* what) {
        EXPECT_EQ(form.Inventory().Dataset().RecNo(), 60) << what;
        EXPECT_EQ(grid.currentIndex().row(), 60) << what;
        EXPECT_EQ(grid.currentIndex().column(), 2) << what;
        EXPECT_EQ(grid.verticalScrollBar()->value(), scroll) << what;
        EXPECT_TRUE(grid.updatesEnabled()) << what;
    };
    Answer("ok.txt", 2);
    Control<QPushButton>(form, "exportButton")->click();
    EXPECT_EQ(dialogs.informations.back(), kExportDone + "\n"s + Path("ok.txt"));
    expectBack("success");

    // A folder that does not exist: nothing is created.
    Answer("missing/out.rtf", 5);
    Control<QPushButton>(form, "exportButton")->click();
    EXPECT_EQ(dialogs.informations.back(), kExportFailed);
    expectBack("cannot create");

    // A disk that fills part way through the walk.
    std::filesystem::create_symlink("/dev/full", Path("full.htm"));
    Answer("full.htm", 4);
    Control<QPushButton>(form, "exportButton")->click();
    EXPECT_EQ(dialogs.informations.back(), kExportFailed);
    expectBack("disk full");
    EXPECT_TRUE(dialogs.errors.empty());  // the cause is not shown
}

TEST_F(ExportWindow, EditInProgressIsPostedAndExportedWithItsValues) {
    MainWindow& form = OpenWithRows();
    const QModelIndex cell = Model(form)->index(3, 1);
    ASSERT_TRUE(Model(form)->setData(cell, QStringLiteral("edited")));
    Answer("edit.csv", 3);
    Control<QPushButton>(form, "exportButton")->click();
    EXPECT_NE(ReadFile(Path("edit.csv")).find("\r\n\"" + kBuMen + "103\";\"edited\";"),
              std::string::npos);
    EXPECT_TRUE(form.Inventory().Dataset().HasPendingChanges());
    EXPECT_EQ(form.Inventory().Dataset().RecNo(), 3);
}

TEST_F(ExportWindow, ClosedDatasetGivesTheFailureMessage) {
    MainWindow& form = Open();  // no db.mdb: the dataset stays closed
    dialogs.errors.clear();
    Answer("closed.txt", 2);
    Control<QPushButton>(form, "exportButton")->click();
    EXPECT_EQ(dialogs.informations.back(), kExportFailed);
}

// The LABEL records of an .xls file as rows of texts.
std::vector<std::vector<std::string>> XlsLabels(const std::string& bytes) {
    std::vector<std::vector<std::string>> rows;
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        auto word = [&bytes](std::size_t i) {
            return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) |
                   static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        };
        const unsigned number = word(at);
        const unsigned length = word(at + 2);
        if (number == 0x0204) {
            const unsigned row = word(at + 4);
            const unsigned col = word(at + 6);
            rows.resize(std::max<std::size_t>(rows.size(), row + 1));
            rows[row].resize(std::max<std::size_t>(rows[row].size(), col + 1));
            rows[row][col] = bytes.substr(at + 12, word(at + 10));
        }
        at += 4 + length;
    }
    return rows;
}

TEST(WithChosenExtension, ABareNameGetsTheChosenEntrysExtension) {
    const std::string filter = kInventoryExportFilter;
    const struct {
        std::string path;
        int index;
        std::string written;
    } cases[] = {
        {"/tmp/list2", 3, "/tmp/list2.CSV"},
        {"/tmp/list2", 1, "/tmp/list2.XLS"},
        {"/tmp/list2.", 4, "/tmp/list2.HTM"},
        {"/tmp/list2.xls", 3, "/tmp/list2.xls"},  // as typed
        {"/tmp/a.b/list2", 2, "/tmp/a.b/list2.TXT"},
        {"/tmp/.hidden", 5, "/tmp/.hidden.RTF"},
        {"/tmp/list2", 6, "/tmp/list2"},  // no such entry
        {"/tmp/list2", 0, "/tmp/list2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithChosenExtension(c.path, filter, c.index), c.written) << c.path << c.index;
    }
    EXPECT_EQ(WithChosenExtension("online", kOnlineListExportFilter, 1), "online.xlsx");
    EXPECT_EQ(WithChosenExtension("online", kOnlineListExportFilter, 2), "online.xls");
}

TEST_F(ExportWindow, OnlineListRowsToSpreadsheetAndTheDialogRemembers) {
    MakeDatabase();
    MainWindow& form = Open();
    Control<QPushButton>(form, "exportOnlineButton")
        ->click();  // cancelled: nothing written, nothing shown
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].filter, kOnlineListExportFilter);
    EXPECT_EQ(dialogs.saveRequests[0].filterIndex, 1);
    EXPECT_EQ(dialogs.saveRequests[0].fileName, "");
    EXPECT_EQ(dialogs.saveRequests[0].defaultExtension, "");

    // Header only.
    Answer("header.xls", 2);
    Control<QPushButton>(form, "exportOnlineButton")->click();
    const std::vector<std::string> header = {"PC\xd6\xf7\xbb\xfa\xc3\xfb", "IP\xb5\xd8\xd6\xb7",
                                             "MAC\xb5\xd8\xd6\xb7",
                                             "\xcc\xee\xb1\xa8\xd7\xb4\xcc\xac"};
    EXPECT_EQ(XlsLabels(ReadFile(Path("header.xls"))),
              std::vector<std::vector<std::string>>{header});

    // Three results: rows 1 to 4; the empty slot is not exported.
    form.Scan().List().FillSlot("PC1            ", "127.0.0.2", "00-11-22-33-44-55");
    form.Scan().List().FillSlot("", "127.0.0.3", "00-11-22-33-44-66");
    form.Scan().List().FillSlot("PC3", "127.0.0.4", "00-11-22-33-44-77");
    form.Scan().List().MarkReported("127.0.0.3", "\xd5\xc5\xc8\xfd");  // 张三
    Answer("three.xls", 2);
    Control<QPushButton>(form, "exportOnlineButton")->click();
    const auto rows = XlsLabels(ReadFile(Path("three.xls")));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"PC1            ", "127.0.0.2", "00-11-22-33-44-55", ""}));
    EXPECT_EQ(rows[2][3], "\xd5\xc5\xc8\xfd \xd2\xd1\xcc\xe1\xbd\xbb");

    // The dialog opens with the last name and entry.
    dialogs.saveAnswer.reset();
    Control<QPushButton>(form, "exportOnlineButton")->click();
    EXPECT_EQ(dialogs.saveRequests.back().fileName, Path("three.xls"));
    EXPECT_EQ(dialogs.saveRequests.back().filterIndex, 2);

    // A name ending in .xlsx is an Excel 2007 file whatever the entry.
    Answer("list.XLSX", 2);
    Control<QPushButton>(form, "exportOnlineButton")->click();
    EXPECT_EQ(ReadFile(Path("list.XLSX")).substr(0, 2), "PK");
    EXPECT_TRUE(dialogs.errors.empty());

    // A name without extension gets the chosen entry's, and its format.
    Answer("online", 1);
    Control<QPushButton>(form, "exportOnlineButton")->click();
    EXPECT_EQ(ReadFile(Path("online.xlsx")).substr(0, 2), "PK");
    Answer("online", 2);
    Control<QPushButton>(form, "exportOnlineButton")->click();
    EXPECT_EQ(ReadFile(Path("online.xls")).substr(0, 2), "\x09\x08"s);
    EXPECT_FALSE(std::filesystem::exists(Path("online")));

    // A folder that does not exist: the error box.
    Answer("missing/list.xlsx", 1);
    Control<QPushButton>(form, "exportOnlineButton")->click();
    EXPECT_EQ(dialogs.errors.size(), 1u);
}

}  // namespace
}  // namespace vantrel::app::test
