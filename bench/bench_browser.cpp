// Inventory browser figures on the real window (Qt's offscreen platform):
// a search in each form, a title click, 全部数据, and moving the grid's cursor
// from the first row to the last, page by page and in one jump. Every figure
// includes the grid's repaint. Usage: bench_browser [rows] [directory] [pages]
#include <sqlite3.h>
#include <stdlib.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "GbkText.h"
#include "InventoryGenerator.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "InventoryTab.h"
#include "MainWindow.h"
#include "Program.h"
#include "QuietProgram.h"

using namespace vantrel::app;
using namespace vantrel::bench;

namespace {

// Boxes answered at once; the last information text is kept.
class AnsweringDialogs : public Dialogs {
  public:
    void ShowInformation(const std::string& text) override { information = text; }
    ModalResult ShowWarning(const std::string&) override { return ModalResult::Yes; }
    ModalResult ShowConfirmation(const std::string&) override { return ModalResult::Ok; }
    ModalResult ShowSendError(const std::string&) override { return ModalResult::Ok; }
    ModalResult AskYesNo(const std::string&) override { return ModalResult::No; }
    void ShowApplicationError(const std::string& text) override {
        std::fprintf(stderr, "application error: %s\n", text.c_str());
    }
    std::optional<SaveDialogAnswer> AskSaveFile(const SaveDialogRequest&) override {
        return std::nullopt;
    }
    std::string information;

  protected:
    void ShowErrorBox(const std::string& text) override {
        std::fprintf(stderr, "error box: %s\n", text.c_str());
    }
};

// A control of the window by its name.
template <typename T>
T* Control(const MainWindow& form, const char* name) {
    return form.findChild<T*>(QLatin1String(name));
}

// Milliseconds of the work plus the grid's repaint.
double Millis(MainWindow& form, const std::function<void()>& work) {
    QCoreApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    work();
    QCoreApplication::processEvents();
    form.Inventory().Grid().viewport()->repaint();
    form.Inventory().Grid().verticalHeader()->viewport()->repaint();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void Search(MainWindow& form, int field, const char* op, const std::string& text) {
    Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(field);
    Control<QComboBox>(form, "matchCombo")->setEditText(FromGbk(op));
    Control<QLineEdit>(form, "searchTextEdit")->setText(FromGbk(text));
    Control<QPushButton>(form, "searchButton")->click();
}

void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    // Pages moved at most, for a quicker run; all of them by default.
    const int maxPages = argc > 3 ? std::atoi(argv[3]) : 1 << 30;
    const std::string base = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    std::string dir = base + "/bench-browser-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    Generate(dir + "/db.mdb", rows);

    AnsweringDialogs dialogs;
    {
        Program program(QuietProgramOptions(dir, dialogs));
        program.Start();
        MainWindow& form = program.Window();
        form.show();
        QCoreApplication::processEvents();
        std::printf("%zu rows loaded\n", form.Inventory().Dataset().RecordCount());

        const char* equals = "\xb5\xc8\xd3\xda";    // 等于
        const char* contains = "\xb0\xfc\xba\xac";  // 包含
        double t = Millis(form, [&] { Search(form, 0, equals, kDepartments[0]); });
        std::printf("search bm='...' (exact): %.1f ms (%zu rows)\n", t,
                    form.Inventory().Dataset().RecordCount());
        t = Millis(form, [&] { Search(form, 1, contains, kGiven[0]); });
        std::printf("search username like '%%...%%' (contains): %.1f ms (%zu rows)\n", t,
                    form.Inventory().Dataset().RecordCount());
        t = Millis(form, [&] { Search(form, 4, contains, "192.168.1"); });
        std::printf("search IP like '%%192.168.1%%': %.1f ms (%zu rows)\n", t,
                    form.Inventory().Dataset().RecordCount());
        t = Millis(form, [&] { Search(form, 1, equals, ""); });
        std::printf("search with empty text (filter cleared): %.1f ms\n", t);

        QHeaderView* titles = form.Inventory().Grid().horizontalHeader();
        t = Millis(form, [&] { emit titles->sectionClicked(1); });
        std::printf("title click 使用者 (sort by username): %.1f ms\n", t);
        t = Millis(form, [&] { emit titles->sectionClicked(13); });
        std::printf("title click 登记时间 (sort by djsj): %.1f ms\n", t);
        t = Millis(form, [&] { emit titles->sectionClicked(0); });
        std::printf("title click 部门 (sort by bm): %.1f ms\n", t);

        t = Millis(form, [&] { form.Inventory().Grid().Resync(); });
        std::printf("grid shown anew alone (model reset + repaint): %.1f ms\n", t);
        t = Millis(form, [] {});
        std::printf("repaint alone: %.1f ms\n", t);

        t = Millis(form, [&] { Control<QPushButton>(form, "showAllButton")->click(); });
        std::printf("show all (re-query): %.1f ms\n", t);

        InventoryGrid& grid = form.Inventory().Grid();
        grid.setFocus();
        grid.setCurrentIndex(form.Inventory().Model().index(0, 0));
        int pages = 0;
        double worst = 0;
        const double total = Millis(form, [&] {
            while (pages < maxPages &&
                   form.Inventory().Dataset().RecNo() + 1 <
                       static_cast<long long>(form.Inventory().Dataset().RecordCount())) {
                const double page = Millis(form, [&] { Press(&grid, Qt::Key_PageDown); });
                worst = std::max(worst, page);
                ++pages;
            }
        });
        std::printf(
            "first to last row by PageDown: %.0f ms for %d pages (%.2f ms a page, "
            "worst %.1f ms)\n",
            total, pages, total / std::max(pages, 1), worst);
        QScrollBar& bar = *grid.verticalScrollBar();
        bar.setValue(0);
        int steps = 0;
        const double scrolled = Millis(form, [&] {
            while (steps < maxPages && bar.value() < bar.maximum()) {
                Millis(form, [&] { bar.triggerAction(QAbstractSlider::SliderPageStepAdd); });
                ++steps;
            }
        });
        std::printf("top to bottom by the scroll bar: %.0f ms for %d pages (%.2f ms a page)\n",
                    scrolled, steps, scrolled / std::max(steps, 1));
        grid.setCurrentIndex(form.Inventory().Model().index(0, 0));
        t = Millis(form, [&] { Press(&grid, Qt::Key_End, Qt::ControlModifier); });
        std::printf("first to last row by Ctrl+End: %.1f ms (row %lld)\n", t,
                    form.Inventory().Dataset().RecNo());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
