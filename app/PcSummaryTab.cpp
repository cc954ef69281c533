#include "PcSummaryTab.h"

#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "Controls.h"
#include "Gbk.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "IpColumns.h"
#include "IpSeen.h"
#include "NicMakers.h"
#include "PcRecord.h"
#include "PcWindowTable.h"

namespace vantrel::app {

namespace {

const std::string& kNotStored = u8"库中没有这台电脑的记录（新加的行保存后才有）"_gbk;
const std::string& kNone = u8"（无）"_gbk;
const std::string& kSeparator = u8"、"_gbk;

}  // namespace

PcSummaryTab::PcSummaryTab(QWidget* parent, store::InventoryDatabase& connection,
                           MakersSource makers)
    : PcWindowTab(parent),
      connection_(connection),
      makers_(std::move(makers)),
      values_(Named(new PcWindowTable(this, {u8"项目"_gbk, u8"值"_gbk}, {130, 0}), "SummaryList")) {
    setObjectName(QStringLiteral("PcSummaryTab"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(values_);
}

std::string PcSummaryTab::Title() const {
    return u8"概况"_gbk;
}

PcWindowTabFactory PcSummaryTab::Factory(MakersSource makers) {
    return [makers](const PcWindowTabContext& context, QWidget* parent) {
        return std::make_unique<PcSummaryTab>(parent, context.connection, makers);
    };
}

std::string PcSummaryTab::ValueOf(std::string_view title) const {
    for (int r = 0; r < values_->rowCount(); ++r) {
        if (values_->CellText(r, 0) == title) {
            return values_->CellText(r, 1);
        }
    }
    return {};
}

void PcSummaryTab::ShowPc(const PcWindowSubject& pc) {
    using protocol::IpColumnId;
    values_->setRowCount(0);
    const store::PcRecord record(connection_);
    const std::optional<store::PcRow> row = record.RowOf(pc.key);
    if (!row) {
        values_->AddRow({std::string(), kNotStored});
    } else {
        for (std::size_t column : protocol::GridOrder()) {
            values_->AddRow({text::Utf8ToGbk(protocol::kIpColumns[column].title),
                             row->values[column].value_or(std::string())});
        }
    }

    const store::PcDevice device = record.DeviceOf(pc.key).value_or(store::PcDevice{});
    const std::pair<const char*, const std::string*> facts[] = {
        {"厂商", &device.maker},
        {"型号", &device.model},
        {"序列号", &device.serial},
        {"主板序列号", &device.boardSerial},
        {"机箱序列号", &device.chassisSerial},
        {"UUID", &device.uuid},
        {"资产标签", &device.assetTag},
    };
    for (const auto& [title, value] : facts) {
        values_->AddRow({text::Utf8ToGbk(title), *value});
    }

    // The PC's own MAC first, then the others it is known by.
    std::vector<std::string> macs = record.MacsOf(pc.key);
    const std::string own = row ? row->Text(IpColumnId::mac) : pc.mac;
    std::erase_if(macs,
                  [&](const std::string& mac) { return text::EqualsIgnoringAsciiCase(mac, own); });
    if (!own.empty()) {
        macs.insert(macs.begin(), own);
    }
    const inventory::NicMakers empty;
    const inventory::NicMakers* makers = makers_ ? makers_() : nullptr;
    const inventory::NicMakers& registry = makers != nullptr ? *makers : empty;
    std::vector<std::string> cardMakers;
    for (const std::string& mac : macs) {
        const std::string maker(registry.MakerOf(mac));
        if (std::find(cardMakers.begin(), cardMakers.end(), maker) == cardMakers.end()) {
            cardMakers.push_back(maker);
        }
    }
    std::string makerList;
    for (const std::string& maker : cardMakers) {
        makerList += (makerList.empty() ? "" : kSeparator) + maker;
    }
    values_->AddRow({text::Utf8ToGbk("网卡厂商"), makerList.empty() ? kNone : makerList});
    if (macs.empty()) {
        values_->AddRow({text::Utf8ToGbk("已知MAC地址"), kNone});
    }
    for (const std::string& mac : macs) {
        values_->AddRow({text::Utf8ToGbk("已知MAC地址"), mac + text::Utf8ToGbk("（") +
                                                             std::string(registry.MakerOf(mac)) +
                                                             text::Utf8ToGbk("）")});
    }

    std::optional<inventory::SeenRecord> seen;
    try {
        seen = store::IpSeen(connection_).Of(own, row ? row->Text(IpColumnId::ip) : std::string());
    } catch (const std::exception&) {
        seen.reset();  // the rest is shown; when it was seen is not known then
    }
    const std::string online = seen && !seen->onlineTime.empty()
                                   ? seen->onlineTime + "  " + seen->address
                                   : text::Utf8ToGbk("从未在线");
    const std::string reported =
        seen && !seen->reportTime.empty() ? seen->reportTime : text::Utf8ToGbk("无记录");
    values_->AddRow({text::Utf8ToGbk("最近在线"), online});
    values_->AddRow({text::Utf8ToGbk("最近提交"), reported});
}

}  // namespace vantrel::app
