// Overview figures for 100,000 generated rows, half of them seen by a
// sweep: (1) the count itself, as the worker thread makes it (the read of
// table ip and ip_seen, then the one pass of the rules); (2) the real tab
// on Qt's offscreen platform: from Refresh to the charts drawn, and the
// longest the main thread was kept from its event loop meanwhile.
// Usage: bench_overview [rows] [directory]
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "InventoryDatabase.h"
#include "InventoryGenerator.h"
#include "InventoryOverview.h"
#include "IpSeen.h"
#include "NicMakers.h"
#include "OverviewSource.h"
#include "OverviewTab.h"
#include "TabHost.h"

using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class NoDialogs : public vantrel::app::Dialogs {
  public:
    void ShowInformation(const std::string&) override {}
    vantrel::app::ModalResult ShowWarning(const std::string&) override {
        return vantrel::app::ModalResult::No;
    }
    vantrel::app::ModalResult ShowSendError(const std::string&) override {
        return vantrel::app::ModalResult::Cancel;
    }
    vantrel::app::ModalResult ShowConfirmation(const std::string&) override {
        return vantrel::app::ModalResult::Cancel;
    }
    vantrel::app::ModalResult AskYesNo(const std::string&) override {
        return vantrel::app::ModalResult::No;
    }
    void ShowApplicationError(const std::string&) override {}
    std::optional<vantrel::app::SaveDialogAnswer> AskSaveFile(
        const vantrel::app::SaveDialogRequest&) override {
        return std::nullopt;
    }

  protected:
    void ShowErrorBox(const std::string& text) override {
        std::printf("error: %s\n", text.c_str());
    }
};

class Host : public vantrel::app::TabHost {
  public:
    vantrel::app::Dialogs& Dialog() override { return dialogs; }
    void AppendLog(const std::string&) override {}
    void RunHandler(const std::function<void()>& handler) override { handler(); }
    NoDialogs dialogs;
};

std::tm Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    QApplication application(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const std::string directory =
        argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    const std::string path = directory + "/bench_overview.mdb";
    std::filesystem::remove(path);
    vantrel::bench::Generate(path, rows);

    vantrel::store::InventoryDatabase connection;
    connection.Open(path);
    {
        // Every other PC answered the last sweep; the MACs as the generator writes them.
        std::vector<vantrel::store::Sighting> sightings;
        for (int i = 0; i < rows; i += 2) {
            char mac[32];
            std::snprintf(mac, sizeof mac, "00.1A.%02X.%02X.%02X.%02X", (i >> 24) & 255,
                          (i >> 16) & 255, (i >> 8) & 255, i & 255);
            sightings.push_back(
                {mac, "10.0.0.1", "PC", "2024-05-06 10:00:01", "2024-05-06 10:00:00"});
        }
        vantrel::store::IpSeen(connection).RecordSightings(sightings);
    }
    const auto loadStart = Clock::now();
    const vantrel::inventory::NicMakers makers =
        vantrel::inventory::NicMakers::Load(vantrel::inventory::NicMakers::kDefaultDirectory);
    std::printf("network-card makers: %zu prefixes read in %.1f ms\n", makers.Size(),
                Ms(Clock::now() - loadStart));

    std::printf("overview of %d rows (%d seen by the sweep):\n", rows, (rows + 1) / 2);
    std::vector<double> reads, counts;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        auto input = vantrel::store::ReadOverviewInput(connection);
        const auto read = Clock::now();
        vantrel::inventory::OverviewRules rules(std::move(input->seen), makers, Now());
        const vantrel::inventory::Overview overview =
            vantrel::inventory::CountOverview(input->rows, rules);
        counts.push_back(Ms(Clock::now() - read));
        reads.push_back(Ms(read - start));
        if (overview.total != static_cast<std::size_t>(rows)) {
            std::printf("counted %zu rows\n", overview.total);
        }
    }
    std::sort(reads.begin(), reads.end());
    std::sort(counts.begin(), counts.end());
    std::printf("  worker: read %.1f ms + count %.1f ms (median of 5)\n", reads[2], counts[2]);

    // The tab itself: the main thread starts the worker, then draws.
    Host host;
    QTabWidget pages;
    pages.resize(1024, 700);
    vantrel::app::OverviewTab tab(pages, connection, makers, host, Now,
                                  [](const vantrel::app::OverviewChoice&) {});
    pages.setCurrentWidget(tab.Page());
    pages.show();
    QApplication::processEvents();
    tab.Shown();
    std::vector<double> totals, blocks;
    for (int round = 0; round < 5; ++round) {
        double longest = 0;
        QElapsedTimer gap;
        gap.start();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, static_cast<double>(gap.nsecsElapsed()) / 1e6);
            gap.restart();
        });
        tick.start(1);
        const auto start = Clock::now();
        tab.Refresh();
        while (tab.Counting()) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        QApplication::processEvents();  // the repaint of what was drawn
        totals.push_back(Ms(Clock::now() - start));
        longest = std::max(longest, static_cast<double>(gap.nsecsElapsed()) / 1e6);
        blocks.push_back(longest);
    }
    std::sort(totals.begin(), totals.end());
    std::sort(blocks.begin(), blocks.end());
    std::printf(
        "  tab: Refresh to charts drawn %.1f ms; main thread blocked at most %.1f ms"
        " (medians of 5; worst %.1f ms)\n",
        totals[2], blocks[2], blocks.back());
    connection.Close();
    std::filesystem::remove(path);
    return 0;
}
