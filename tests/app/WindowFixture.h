#pragma once
// The program on a free port over a temporary db.mdb, with a fixed local
// address and fake dialogs.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "EventLogView.h"
#include "FakeDialogs.h"
#include "GbkText.h"
#include "HttpService.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "InventoryTab.h"
#include "LoopbackClient.h"
#include "MainWindow.h"
#include "OnlineListModel.h"
#include "Program.h"
#include "ProgramStartup.h"
#include "ScanTab.h"
#include "TestFiles.h"

namespace vantrel::app::test {

using testsupport::Exchange;
using testsupport::ReadFile;

// A control of the window, found by the name the window declares it under.
template <typename T>
T* Control(const QObject& window, const char* name) {
    T* control = window.findChild<T*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// The inventory tab's grid and its model, and the online list's model.
inline InventoryGrid* Grid(const MainWindow& form) {
    return &form.Inventory().Grid();
}
inline InventoryModel* Model(const MainWindow& form) {
    return &form.Inventory().Model();
}
inline OnlineListModel* OnlineCells(const MainWindow& form) {
    return &form.Scan().OnlineListSource();
}

// The texts of one grid column, top to bottom, as GBK.
inline std::vector<std::string> GridColumn(const MainWindow& form, int column) {
    std::vector<std::string> values;
    const InventoryModel* model = Model(form);
    for (int r = 0; r < model->rowCount(); ++r) {
        values.push_back(ToGbk(model->data(model->index(r, column)).toString()));
    }
    return values;
}

// Runs SQL on an SQLite file, creating it when missing.
inline void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    std::string error = message != nullptr ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << error;
}

// One text value of the first row a query returns; "" when none.
inline std::string QueryText(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0)) {
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

// A port that was free a moment ago on 0.0.0.0.
inline std::uint16_t FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// Processes events until `done` holds or 10 seconds pass.
inline bool WaitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        options.port = 0;
        options.databasePath = Path("db.mdb");
        options.localAddress = [this] { return localAddress; };
        options.otherLocalAddresses = [this] { return otherAddresses; };
        options.dialogs = &dialogs;
        options.historyFile = Path("iphist.dat");
        options.settingsFile = Path("vantrel.ini");
        options.pageFile = Path("ip.html");
        std::ofstream(options.pageFile) << "<html>page</html>";
        options.neighbourTable = Path("arp");
        // No copy beside the test program is ever served.
        options.programPageFile = Path("program/ip.html");
        // A few registry lines: the same makers wherever the tests run.
        options.ouiDirectory = VANTREL_TEST_DATA "/ieee";
    }

    std::string Path(const std::string& name) const {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }

    // db.mdb from the schema, with optional rows.
    void MakeDatabase(const std::string& seed = "") {
        RunSql(options.databasePath, ReadFile(VANTREL_SCHEMA) + seed);
    }

    // The program over the options, started: its window, not shown.
    MainWindow& Open() {
        program.reset();
        program = std::make_unique<Program>(options);
        program->Start();
        return program->Window();
    }

    std::uint16_t Port() const { return program->Intake().Port(); }

    QTemporaryDir folder;
    FakeDialogs dialogs;
    ProgramOptions options;
    std::string localAddress = "192.168.1.23";
    std::vector<std::string> otherAddresses;
    std::unique_ptr<Program> program;
};

}  // namespace vantrel::app::test
