#include "PcMonitorTab.h"

#include <QVBoxLayout>
#include <cstdint>
#include <cstdio>
#include <span>

#include "Controls.h"
#include "Edid.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "PcWindowTable.h"

namespace vantrel::app {

namespace {

const std::vector<std::string_view> kTitles = {u8"厂商"_gbk,     u8"型号"_gbk,     u8"序列号"_gbk,
                                               u8"尺寸"_gbk,     u8"生产年份"_gbk, u8"首次报告"_gbk,
                                               u8"最近报告"_gbk, u8"状态"_gbk};
const std::vector<int> kWidths = {90, 170, 230, 140, 100, 90, 90, 0};

std::string Utf8(const char* text) {
    return text::Utf8ToGbk(text);
}

// The date part of "YYYY-MM-DD HH:MM:SS".
std::string DateOf(const std::string& time) {
    return time.substr(0, std::min<std::size_t>(time.size(), 10));
}

std::string SerialOf(const store::PcMonitor& monitor, const inventory::EdidInfo& edid) {
    std::string text = !monitor.serialText.empty() ? monitor.serialText : edid.serialText;
    std::string number = monitor.serialNumber;
    if (number.empty() && edid.serialNumber != 0) {
        number = std::to_string(edid.serialNumber);
    }
    if (number == "0") {
        number.clear();  // the numeric serial is not given
    }
    if (text.empty()) {
        return number;
    }
    if (number.empty() || number == text) {
        return text;
    }
    // Several makers put the real serial in only one of the two: both show.
    return text + Utf8("（数字序列号 ") + number + Utf8("）");
}

std::string SizeOf(const inventory::EdidInfo& edid) {
    if (edid.widthCm <= 0 || edid.heightCm <= 0) {
        return {};
    }
    char diagonal[32];
    std::snprintf(diagonal, sizeof diagonal, "%.1f", edid.diagonalInches);
    return std::to_string(edid.widthCm) + "x" + std::to_string(edid.heightCm) + Utf8(" 厘米，") +
           diagonal + Utf8(" 英寸");
}

}  // namespace

PcMonitorTab::PcMonitorTab(QWidget* parent, store::InventoryDatabase& connection)
    : PcWindowTab(parent),
      connection_(connection),
      monitors_(Named(new PcWindowTable(this, kTitles, kWidths), "MonitorList")) {
    setObjectName(QStringLiteral("PcMonitorTab"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(monitors_);
}

std::string PcMonitorTab::Title() const {
    return u8"显示器"_gbk;
}

PcWindowTabFactory PcMonitorTab::Factory() {
    return [](const PcWindowTabContext& context, QWidget* parent) {
        return std::make_unique<PcMonitorTab>(parent, context.connection);
    };
}

std::vector<std::string> PcMonitorTab::CellsOf(const store::PcMonitor& monitor) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(monitor.edid.data());
    const inventory::EdidInfo edid = inventory::DecodeEdid(std::span(bytes, monitor.edid.size()));
    const std::string pnp = !monitor.pnp.empty() ? monitor.pnp : edid.pnpCode;
    std::string model = !monitor.modelName.empty() ? monitor.modelName : edid.modelName;
    if (model.empty() && !pnp.empty()) {
        // Without a model name the product code tells the model.
        char code[8];
        std::snprintf(
            code, sizeof code, "%04X",
            static_cast<unsigned>(monitor.product != 0 ? monitor.product : edid.productCode));
        model = pnp + " " + code;
    }
    if (!edid.valid) {
        const std::string problem = Utf8("EDID 损坏：") + edid.problem;
        model = model.empty() ? problem : model + Utf8("（") + problem + Utf8("）");
    }
    std::string year;
    if (edid.valid && edid.year > 0) {
        year = std::to_string(edid.year);
        if (edid.week > 0 && edid.week <= 53) {
            year += Utf8(" 年第 ") + std::to_string(edid.week) + Utf8(" 周");
        }
    }
    const std::string state =
        monitor.connected ? Utf8("已接上")
                          : Utf8("已拔下（最近报告于 ") + DateOf(monitor.lastSeen) + Utf8("）");
    return {pnp.empty() ? std::string() : inventory::MonitorMakerName(pnp),
            model,
            SerialOf(monitor, edid),
            edid.valid ? SizeOf(edid) : std::string(),
            year,
            DateOf(monitor.firstSeen),
            DateOf(monitor.lastSeen),
            state};
}

void PcMonitorTab::ShowPc(const PcWindowSubject& pc) {
    monitors_->setRowCount(0);
    for (const store::PcMonitor& monitor : store::PcRecord(connection_).MonitorsOf(pc.key)) {
        const int row = monitors_->AddRow(CellsOf(monitor));
        if (!monitor.connected) {
            monitors_->GreyRow(row);
        }
    }
    monitors_->FitColumns();
}

}  // namespace vantrel::app
