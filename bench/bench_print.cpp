// Printing: the print preview of a large inventory (how long it takes to
// open and the longest time the window does not answer while pages are
// turned), the whole list to PDF, a sheet of asset labels to PDF, and, for
// comparison, Qt's own preview dialog, which paints every page before it
// shows one.
// Usage: bench_print [rows] [labels] [rows for Qt's dialog] [directory]
//        bench_print shot <png>   (the label preview of 30 PCs, for the README)
#include <sqlite3.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "GridPages.h"
#include "GridPreviewDialog.h"
#include "InventoryGenerator.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "InventoryTab.h"
#include "LabelPainter.h"
#include "LabelPrinting.h"
#include "MainWindow.h"
#include "PagePreviewView.h"
#include "Program.h"
#include "QuietProgram.h"

using namespace vantrel::app;
using vantrel::bench::QuietDialogs;
using vantrel::bench::QuietProgramOptions;

namespace {

double Ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Opens the preview, turns to pages far apart and zooms in, then to the
// smallest zoom (many pages in view) and the largest (a page many screens
// wide), each step a handler of its own as a click would be; a timer every
// 5 ms tells how long the window did not answer, and in which step.
void TimePreview(MainWindow& form) {
    InventoryTab& tab = form.Inventory();
    QElapsedTimer clock;
    double longest = 0;
    int longestStep = 0;
    double opened = -1;
    double lastTick = 0;
    double printAt = 0;
    int step = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double now = Ms(clock);
        if (now - lastTick - 5 > longest) {
            longest = now - lastTick - 5;
            longestStep = step - 1;  // the step last started
        }
        lastTick = now;
        if (opened < 0 && tab.PrintPreview() != nullptr &&
            tab.PrintPreview()->View().PagesPainted() > 0) {
            opened = now - printAt;
        }
    });
    QEventLoop loop;
    constexpr int kTurns = 25;
    QTimer steps;
    steps.setInterval(120);
    QObject::connect(&steps, &QTimer::timeout, [&] {
        PagePreviewView* view =
            tab.PrintPreview() != nullptr ? &tab.PrintPreview()->View() : nullptr;
        if (step == 0) {
            printAt = Ms(clock);
            tab.Print();
        } else if (view != nullptr && step <= kTurns) {
            view->ShowPage((step * 977) % view->PageCount());
            if (step % 5 == 0) {
                view->SetZoom(view->Zoom() * 1.25);
            }
        } else if (view != nullptr && step <= kTurns + 4) {
            // Smallest zoom, a page turn there; largest zoom, a page turn there.
            if (step % 2 == 0) {
                view->ShowPage((step * 977) % view->PageCount());
            } else {
                view->SetZoom(step == kTurns + 1 ? 0 : 100);
            }
        } else {
            loop.quit();
        }
        ++step;
    });
    clock.start();
    probe.start();
    steps.start();
    loop.exec();
    const GridPreviewDialog* preview = tab.PrintPreview();
    std::printf(
        "preview: %d pages; opened (first page shown) in %.0f ms; longest time the "
        "window did not answer: %.0f ms, in step %d (30 steps: 0 open, 1-25 page turns with "
        "5 zooms in, 26-29 smallest and largest zoom with a page turn each); pages painted: "
        "%d, tiles painted: %d, kept %.0f MB\n",
        preview != nullptr ? preview->Pages().PageCount() : 0, opened, longest, longestStep,
        preview != nullptr ? preview->View().PagesPainted() : 0,
        preview != nullptr ? preview->View().TilesPainted() : 0,
        preview != nullptr ? static_cast<double>(preview->View().KeptBytes()) / 1e6 : 0.0);
}

void TimePdf(const GridPages& pages, const std::string& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    GridPages::SetPage(printer);
    QElapsedTimer clock;
    clock.start();
    double last = 0;
    double longest = 0;
    pages.PrintAll(printer, [&](int) {
        longest = std::max(longest, Ms(clock) - last);
        last = Ms(clock);
        return true;
    });
    std::printf(
        "list to PDF: %d pages in %.1f s, %.1f MB; longest slice between event "
        "handling %.0f ms\n",
        pages.PageCount(), Ms(clock) / 1000,
        static_cast<double>(std::filesystem::file_size(path)) / 1e6, longest);
}

void TimeLabels(int count, const std::string& path) {
    std::vector<LabelData> labels;
    for (int n = 0; n < count; ++n) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "02:4F:00:00:%02X:%02X", n / 256, n % 256);
        labels.push_back({"ZC-2024-" + std::to_string(10000 + n), mac, "PC-" + std::to_string(n),
                          "\xb2\xc6\xce\xf1\xb2\xbf"});
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    const LabelLayout layout = LabelLayout::Of(LabelSheet::A4By3x8);
    QElapsedTimer clock;
    clock.start();
    PrintLabels(printer, layout, labels);
    std::printf("labels: %d on %d A4 sheets (3 x 8) to PDF in %.0f ms, %.0f KB\n", count,
                layout.PageCount(count), Ms(clock),
                static_cast<double>(std::filesystem::file_size(path)) / 1e3);
}

// Qt's dialog over the same pages: it paints all of them when it opens.
void TimeQtDialog(MainWindow& form) {
    const GridPages pages(form.Inventory().Grid(), QStringLiteral("2026-01-01"));
    QPrinter printer(QPrinter::HighResolution);
    GridPages::SetPage(printer);
    QPrintPreviewDialog dialog(&printer, &form);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&pages](QPrinter* target) {
        pages.PrintAll(*target, [](int) { return true; });
    });
    QElapsedTimer clock;
    clock.start();
    dialog.show();
    QCoreApplication::processEvents();
    std::printf("Qt's QPrintPreviewDialog over %d pages: %.0f ms before it answers\n",
                pages.PageCount(), Ms(clock));
}

// The label preview of the first 30 rows of a small inventory, as a picture.
int Screenshot(const std::string& dir, const std::string& png, Dialogs& dialogs) {
    vantrel::bench::Generate(dir + "/db.mdb", 200);
    sqlite3* db = nullptr;
    sqlite3_open((dir + "/db.mdb").c_str(), &db);
    sqlite3_exec(db,
                 "create table ip_asset (mac text primary key collate nocase, assetno text, "
                 "status text, location text, purchasedate text, supplier text, price text, "
                 "warrantyend text, remark text);"
                 "insert into ip_asset (mac, assetno) select mac, printf('ZC-2024-%04d', rowid) "
                 "from ip where mac <> '';",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Program program(QuietProgramOptions(dir, dialogs));
    program.Start();
    MainWindow& form = program.Window();
    form.show();
    InventoryTab& tab = form.Inventory();
    tab.Grid().selectionModel()->select(
        QItemSelection(tab.Model().index(0, 0), tab.Model().index(29, 0)),
        QItemSelectionModel::Select);
    tab.Labels().ShowPreview();
    QPrintPreviewDialog* preview = tab.Labels().Preview();
    if (preview == nullptr) {
        return 1;
    }
    preview->resize(1000, 760);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return preview->grab().save(QString::fromStdString(png)) ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc > 2 && std::string(argv[1]) == "shot") {
        std::string dir = std::filesystem::temp_directory_path().string() + "/shot-XXXXXX";
        if (mkdtemp(dir.data()) == nullptr) {
            return 1;
        }
        QApplication application(argc, argv);
        QuietDialogs dialogs;
        const int result = Screenshot(dir, argv[2], dialogs);
        std::filesystem::remove_all(dir);
        return result;
    }
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int labels = argc > 2 ? std::atoi(argv[2]) : 500;
    const int qtRows = argc > 3 ? std::atoi(argv[3]) : 10000;
    const std::string base = argc > 4 ? argv[4] : std::filesystem::temp_directory_path().string();
    std::string dir = base + "/bench-print-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QuietDialogs dialogs;
    {
        vantrel::bench::Generate(dir + "/db.mdb", rows);
        Program program(QuietProgramOptions(dir, dialogs));
        program.Start();
        MainWindow& form = program.Window();
        form.show();
        QCoreApplication::processEvents();
        std::printf("%d rows\n", rows);
        TimePreview(form);
        if (getenv("NOPDF"))
            return 0;
        TimePdf(GridPages(form.Inventory().Grid(), QStringLiteral("2026-01-01")),
                dir + "/list.pdf");
    }
    TimeLabels(labels, dir + "/labels.pdf");
    if (qtRows > 0) {
        std::filesystem::remove(dir + "/db.mdb");
        vantrel::bench::Generate(dir + "/db.mdb", qtRows);
        Program program(QuietProgramOptions(dir, dialogs));
        program.Start();
        program.Window().show();
        QCoreApplication::processEvents();
        TimeQtDialog(program.Window());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
