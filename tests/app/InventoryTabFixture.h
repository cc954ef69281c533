#pragma once
// The inventory tab on its own: in a bare tab widget, over its own
// connection, with a fake tab host in place of the main window. No intake
// runs and no window exists.

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "InventoryDatabase.h"
#include "InventoryFixture.h"
#include "InventoryTab.h"
#include "TabHost.h"

namespace vantrel::app::test {

// Records the log lines; an error escaping a handler goes to the error box,
// as the window's own RunHandler does.
class FakeTabHost : public TabHost {
  public:
    explicit FakeTabHost(Dialogs& dialogs) : dialogs_(dialogs) {}
    Dialogs& Dialog() override { return dialogs_; }
    void AppendLog(const std::string& line) override { log.push_back(line); }
    void RunHandler(const std::function<void()>& handler) override {
        std::string message;
        try {
            handler();
            return;
        } catch (const std::exception& error) {
            message = error.what();
        }
        dialogs_.ShowError(message);
    }

    std::vector<std::string> log;

  private:
    Dialogs& dialogs_;
};

class InventoryTabFixture : public InventoryFixture {
  protected:
    // The tab over the four rows, opened and shown.
    InventoryTab& OpenTab() {
        MakeDatabase(kFourRows);
        database.Open(options.databasePath);
        InventoryTab& tab = MakeTab();
        tab.Open();
        return tab;
    }
    // The tab over a store that never opened.
    InventoryTab& MakeTab() {
        pages = std::make_unique<QTabWidget>();
        inventory = std::make_unique<InventoryTab>(*pages, database, host);
        pages->resize(800, 500);
        pages->show();
        QApplication::setActiveWindow(pages.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(pages.get()));
        return *inventory;
    }
    void TearDown() override {
        inventory.reset();
        pages.reset();
        InventoryFixture::TearDown();
    }

    InventoryTab& Tab() override { return *inventory; }
    // Where the tab's controls are found by name.
    QWidget& Page() { return *pages; }

    FakeTabHost host{dialogs};
    store::InventoryDatabase database;
    std::unique_ptr<QTabWidget> pages;
    std::unique_ptr<InventoryTab> inventory;
};

}  // namespace vantrel::app::test
