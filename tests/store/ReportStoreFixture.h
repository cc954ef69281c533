#pragma once
// An open store with one report writer, and reports that share one group.

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FixedTime.h"
#include "ReportStore.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {

using Rows = std::vector<std::optional<std::string>>;

// Every value "v<n>" for parameter xn, but the ones named.
inline HardwareReport Report(const std::string& mac, const std::string& pcname) {
    HardwareReport report;
    for (std::size_t i = 0; i < kReportFields.size(); ++i) {
        report.*kReportFields[i].value = Numbered("v", static_cast<long long>(i + 1));
    }
    report.pcname = pcname;
    report.mac = mac;
    report.bm = "\xB2\xC6\xCE\xF1";  // 财务
    report.bz = "";                  // stays the empty text
    return report;
}

// 2024-05-06 09:07:03.
inline std::tm FixedTime() {
    return testsupport::LocalTime(2024, 5, 6, 9, 7, 3);
}

class ReportStoreFixture : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        OpenStore();
    }

    // Stores the reports from one thread each, all in one group: the
    // connection is held until every one of them is queued. Returns each
    // report's error text, "" when it was stored.
    std::vector<std::string> StoreTogether(const std::vector<HardwareReport>& reports) {
        std::vector<std::string> errors(reports.size());
        std::vector<std::thread> threads;
        {
            auto hold = connection_.Lock();
            for (std::size_t i = 0; i < reports.size(); ++i) {
                threads.emplace_back([&, i] {
                    try {
                        store_.Store(reports[i]);
                    } catch (const StoreError& error) {
                        errors[i] = error.what();
                        if (errors[i].empty()) {
                            errors[i] = "(empty message)";
                        }
                    }
                });
            }
            while (store_.Stats().waiting < reports.size()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        return errors;
    }

    ReportStore store_{connection_, FixedTime};
};

}  // namespace vantrel::store::testing
