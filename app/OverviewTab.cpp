#include "OverviewTab.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <exception>

#include "Controls.h"
#include "Dialogs.h"
#include "EmptyInventoryHint.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "NicMakers.h"
#include "OverviewSoftwareCards.h"
#include "OverviewSource.h"
#include "TabHost.h"

namespace vantrel::app {

using inventory::Dimension;

namespace {

constexpr Dimension kCards[] = {Dimension::All,        Dimension::Reported30, Dimension::Online,
                                Dimension::NotSeen90,  Dimension::Monitors,   Dimension::Retired,
                                Dimension::Warranty30, Dimension::Expired};

struct ChartInfo {
    Dimension dimension;
    const char* name;
    const char* title;  // UTF-8
    bool horizontal;
    bool pie;
};
constexpr ChartInfo kCharts[] = {
    {Dimension::Department, "departmentChart", "各部门电脑数", true, false},
    {Dimension::System, "systemChart", "操作系统", true, false},
    {Dimension::Memory, "memoryChart", "内存大小", true, false},
    {Dimension::PcType, "pcTypeChart", "台式机与笔记本", false, true},
    {Dimension::CpuFamily, "cpuChart", "CPU 厂商与系列", true, false},
    {Dimension::NicMaker, "nicMakerChart", "网卡厂商", true, false},
    {Dimension::Model, "modelChart", "电脑厂商与型号", true, false},
};

// Axis labels, titles and legends: a proportional face that holds Chinese.
QFont ChartFont(int pixels, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The cards of the asset records, on a row of their own.
bool IsAssetCard(Dimension card) {
    return card == Dimension::Retired || card == Dimension::Warranty30 ||
           card == Dimension::Expired;
}

const char* CardCaption(Dimension card) {
    switch (card) {
        case Dimension::All:
            return "电脑总数";
        case Dimension::Reported30:
            return "30 天内提交";
        case Dimension::Online:
            return "上次扫描在线";
        case Dimension::Monitors:
            return "显示器（已接上）";
        case Dimension::Retired:
            return "已报废";
        case Dimension::Warranty30:
            return "保修 30 天内到期";
        case Dimension::Expired:
            return "已过保修";
        default:
            return "90 天未见";
    }
}

// What the filter line above the grid says of a choice (GBK).
std::string ChoiceWords(Dimension dimension, const std::string& label) {
    const char* what = "";
    for (const ChartInfo& info : kCharts) {
        if (info.dimension == dimension) {
            what = info.title;
        }
    }
    if (dimension == Dimension::All || dimension == Dimension::Reported30 ||
        dimension == Dimension::Online || dimension == Dimension::NotSeen90 ||
        dimension == Dimension::Monitors || IsAssetCard(dimension)) {
        return text::Utf8ToGbk(std::string("统计概况：") + CardCaption(dimension));
    }
    return text::Utf8ToGbk(std::string("统计概况：") + what + " = ") + label;
}

// The smallest 1, 2 or 5 times a power of ten that holds `value`, so that
// the value axis reads in round numbers.
double NiceCeiling(double value) {
    double step = 1;
    while (step * 10 <= value) {
        step *= 10;
    }
    for (double factor : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0}) {
        if (step * factor >= value) {
            return step * factor;
        }
    }
    return step * 10;
}

// A chart's long labels are cut, so that the bars keep their room.
QString AxisLabel(const std::string& label) {
    QString text = FromGbk(label);
    constexpr int kMaxLength = 13;
    if (text.size() > kMaxLength) {
        text = text.left(kMaxLength - 1) + QChar(0x2026);
    }
    return text;
}

}  // namespace

struct OverviewTab::Result {
    inventory::Overview overview;
    store::SoftwareCounts software;
    std::shared_ptr<const inventory::OverviewRules> rules;
    std::string error;
};

OverviewTab::OverviewTab(QTabWidget& pages, store::InventoryDatabase& connection,
                         const inventory::NicMakers& makers, TabHost& host,
                         system::LocalClock clock, DrillDown drillDown)
    : pages_(pages),
      connection_(connection),
      makers_(makers),
      host_(host),
      clock_(std::move(clock)),
      drillDown_(std::move(drillDown)),
      page_(Named(new QWidget(&pages), "overviewPage")) {
    pages.addTab(page_, FromUtf8("统计概况"));
    CreateControls();
    reportTimer_ = new QTimer(this);
    reportTimer_->setSingleShot(true);
    connect(reportTimer_, &QTimer::timeout, this, [this] { Refresh(); });
    connect(&pages_, &QTabWidget::currentChanged, this, [this] {
        if (IsShown() && stale_) {
            Refresh();
        }
    });
}

// A count in progress is cancelled and joined as worker_ goes.
OverviewTab::~OverviewTab() = default;

void OverviewTab::CreateControls() {
    auto* outer = new QVBoxLayout(page_);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = Named(new QScrollArea(page_), "overviewScroll");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto* content = new QWidget(scroll);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    auto* cardRow = new QHBoxLayout();
    cardRow->setSpacing(8);
    const char* const cardNames[] = {"totalCard",        "reportedCard",     "onlineCard",
                                     "notSeenCard",      "monitorCard",      "retiredCard",
                                     "warrantySoonCard", "warrantyEndedCard"};
    auto* assetCardRow = new QHBoxLayout();  // the asset records' cards
    assetCardRow->setSpacing(8);
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        QPushButton* card = Named(new QPushButton(content), cardNames[i]);
        card->setMinimumHeight(64);
        card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        card->setStyleSheet(QStringLiteral(
            "QPushButton { text-align: left; padding: 6px 12px; border: 1px solid #b8c4d6;"
            " border-radius: 4px; background: #f4f7fb; font-size: 17px; }"
            "QPushButton:hover { background: #e4ecf7; }"));
        const Dimension dimension = kCards[i];
        if (dimension == Dimension::Reported30) {
            card->setToolTip(
                FromUtf8("最近 30 天内提交过硬件报告的电脑，按收到报告的时间计。"
                         "导入或手工添加而从未提交的记录不计入：它们的登记时间不是提交时间。"));
        } else if (dimension == Dimension::Monitors) {
            card->setToolTip(
                FromUtf8("采集工具最近一次报告时接着的显示器台数；点击列出接有显示器的电脑。"));
        }
        connect(card, &QPushButton::clicked, this, [this, dimension] {
            host_.RunHandler([this, dimension] { ChooseCard(dimension); });
        });
        cards_[i] = card;
        (IsAssetCard(dimension) ? assetCardRow : cardRow)->addWidget(card);
    }
    softwareCards_ = std::make_shared<OverviewSoftwareCards>(content, *cardRow);
    layout->addLayout(cardRow);
    layout->addLayout(assetCardRow);

    auto* grid = new QGridLayout();
    grid->setSpacing(8);
    int position = 0;
    for (const ChartInfo& info : kCharts) {
        ChartSlot slot;
        slot.dimension = info.dimension;
        slot.stack = Named(new QStackedWidget(content), info.name);
        slot.stack->setMinimumSize(240, 220);
        slot.chart = new QChart();
        slot.chart->setTitle(FromUtf8(info.title));
        slot.chart->setTitleFont(ChartFont(13, true));
        slot.chart->legend()->setVisible(info.pie);
        slot.chart->legend()->setAlignment(Qt::AlignBottom);
        slot.chart->legend()->setFont(ChartFont(12));
        slot.chart->setMargins(QMargins(4, 4, 4, 4));
        slot.chart->setBackgroundRoundness(0);
        auto* view = new QChartView(slot.chart, slot.stack);
        view->setRenderHint(QPainter::Antialiasing);
        slot.stack->addWidget(view);
        slot.hint = new QLabel(slot.stack);
        slot.hint->setAlignment(Qt::AlignCenter);
        slot.hint->setWordWrap(true);
        slot.hint->setText(FromUtf8(info.title) + QStringLiteral("\n\n") + EmptyInventoryHint());
        slot.stack->addWidget(slot.hint);
        grid->addWidget(slot.stack, position / 3, position % 3);
        ++position;
        charts_.push_back(slot);
    }
    for (int c = 0; c < 3; ++c) {
        grid->setColumnStretch(c, 1);
    }
    layout->addLayout(grid, 1);

    auto* bottom = new QHBoxLayout();
    statusLabel_ = Named(new QLabel(content), "overviewStatusLabel");
    bottom->addWidget(statusLabel_, 1);
    saveImageButton_ = Named(new QPushButton(FromUtf8("保存图片"), content), "saveImageButton");
    connect(saveImageButton_, &QPushButton::clicked, this,
            [this] { host_.RunHandler([this] { SaveImage(); }); });
    bottom->addWidget(saveImageButton_);
    layout->addLayout(bottom);
    ShowResult(Result());
    stale_ = true;
}

bool OverviewTab::IsShown() const {
    return pages_.currentWidget() == page_;
}

void OverviewTab::InventoryChanged() {
    stale_ = true;
    if (IsShown()) {
        Refresh();
    }
}

void OverviewTab::ReportsArrived() {
    stale_ = true;
    if (!IsShown() || reportTimer_->isActive()) {
        return;
    }
    const auto since = std::chrono::steady_clock::now() - lastCount_;
    const auto wait = std::chrono::milliseconds(kReportRefreshMs) -
                      std::chrono::duration_cast<std::chrono::milliseconds>(since);
    if (wait.count() <= 0) {
        Refresh();
    } else {
        reportTimer_->start(static_cast<int>(wait.count()));
    }
}

void OverviewTab::Refresh() {
    reportTimer_->stop();
    if (counting_) {
        again_ = true;
        return;
    }
    StartCount();
}

void OverviewTab::StartCount() {
    counting_ = true;
    again_ = false;
    stale_ = false;
    lastCount_ = std::chrono::steady_clock::now();
    const std::tm now = clock_();
    // The rules shown before last go with the worker: dropping a large
    // index is work the window should not wait for.
    worker_.Start(
        [this, now, retired = std::move(retired_)](const QtTask<Result>::Control&) {
            Result result;
            std::unique_ptr<store::OverviewInput> input = store::ReadOverviewInput(connection_);
            auto rules =
                std::make_shared<inventory::OverviewRules>(std::move(input->seen), makers_, now);
            rules->SetHardware(std::move(input->hardware));
            rules->SetAssets(std::move(input->assets));
            result.overview = inventory::CountOverview(input->rows, *rules);
            result.rules = std::move(rules);
            result.software = OverviewSoftwareCards::Read(connection_);
            return result;
        },
        [this](system::TaskOutcome<Result>& outcome) {
            try {
                ShowResult(outcome.Get());
            } catch (const std::exception& error) {
                Result failed;
                failed.error = error.what();
                ShowResult(failed);
            }
        });
}

const inventory::Overview& OverviewTab::Shown() {
    while (counting_) {
        worker_.Finish();
    }
    return shown_;
}

void OverviewTab::ShowResult(const Result& result) {
    counting_ = false;
    shown_ = result.overview;
    retired_ = std::move(rules_);
    rules_ = result.rules;
    const std::size_t counts[] = {shown_.total,      shown_.reported30, shown_.online,
                                  shown_.notSeen90,  shown_.monitors,   shown_.retired,
                                  shown_.warranty30, shown_.expired};
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        cards_[i]->setText(QStringLiteral("%1\n").arg(counts[i]) +
                           FromUtf8(CardCaption(kCards[i])));
        QFont font = cards_[i]->font();
        cards_[i]->setEnabled(rules_ != nullptr);
        cards_[i]->setFont(font);
    }
    softwareCards_->Show(result.software, shown_.total);
    DrawChart(*SlotOf(Dimension::Department), shown_.departments);
    DrawChart(*SlotOf(Dimension::System), shown_.systems);
    DrawChart(*SlotOf(Dimension::Memory), shown_.memory);
    DrawChart(*SlotOf(Dimension::PcType), shown_.pcTypes);
    DrawChart(*SlotOf(Dimension::CpuFamily), shown_.cpus);
    DrawChart(*SlotOf(Dimension::NicMaker), shown_.makers);
    DrawChart(*SlotOf(Dimension::Model), shown_.models);
    if (!result.error.empty()) {
        statusLabel_->setText(FromGbk(result.error));
    } else if (rules_) {
        const std::tm now = clock_();
        statusLabel_->setText(FromUtf8("更新于 ") + QStringLiteral("%1:%2:%3")
                                                        .arg(now.tm_hour, 2, 10, QLatin1Char('0'))
                                                        .arg(now.tm_min, 2, 10, QLatin1Char('0'))
                                                        .arg(now.tm_sec, 2, 10, QLatin1Char('0')));
    }
    if (again_) {
        StartCount();
    }
}

void OverviewTab::DrawChart(ChartSlot& slot,
                            const std::vector<inventory::OverviewBucket>& buckets) {
    slot.buckets = buckets;
    QChart* chart = slot.chart;
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    if (buckets.empty()) {
        slot.stack->setCurrentWidget(slot.hint);
        return;
    }
    slot.stack->setCurrentIndex(0);
    const ChartInfo* info = nullptr;
    for (const ChartInfo& candidate : kCharts) {
        if (candidate.dimension == slot.dimension) {
            info = &candidate;
        }
    }
    const Dimension dimension = slot.dimension;
    if (info->pie) {
        auto* series = new QPieSeries();
        for (const inventory::OverviewBucket& bucket : buckets) {
            series->append(AxisLabel(bucket.label) + QStringLiteral("  %1").arg(bucket.count),
                           static_cast<double>(bucket.count));
        }
        series->setPieSize(0.8);
        connect(series, &QPieSeries::clicked, this, [this, series, dimension](QPieSlice* piece) {
            const auto index = static_cast<std::size_t>(series->slices().indexOf(piece));
            host_.RunHandler([this, dimension, index] { ChooseBucket(dimension, index); });
        });
        chart->addSeries(series);
        return;
    }
    auto* set = new QBarSet(QString());
    QStringList categories;
    std::size_t largest = 1;
    // Horizontal bars are drawn bottom up: the largest goes on top.
    const bool reversed = info->horizontal;
    for (std::size_t i = 0; i < buckets.size(); ++i) {
        const inventory::OverviewBucket& bucket = buckets[reversed ? buckets.size() - 1 - i : i];
        *set << static_cast<double>(bucket.count);
        categories << AxisLabel(bucket.label);
        largest = std::max(largest, bucket.count);
    }
    set->setLabelColor(Qt::black);
    set->setLabelFont(ChartFont(11));
    QAbstractBarSeries* series = info->horizontal
                                     ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries())
                                     : static_cast<QAbstractBarSeries*>(new QBarSeries());
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setBarWidth(0.7);
    const std::size_t count = buckets.size();
    connect(set, &QBarSet::clicked, this, [this, dimension, reversed, count](int index) {
        const auto bar = static_cast<std::size_t>(index);
        const std::size_t bucket = reversed ? count - 1 - bar : bar;
        host_.RunHandler([this, dimension, bucket] { ChooseBucket(dimension, bucket); });
    });
    chart->addSeries(series);
    auto* names = new QBarCategoryAxis();
    names->append(categories);
    names->setLabelsFont(ChartFont(12));
    // Labels are already cut to a length the layout makes room for.
    names->setTruncateLabels(false);
    auto* values = new QValueAxis();
    // Room for the count beside the longest bar.
    values->setRange(0, NiceCeiling(static_cast<double>(largest) * 1.2));
    values->setTickCount(3);
    values->setLabelFormat(QStringLiteral("%d"));
    values->setLabelsFont(ChartFont(11));
    chart->addAxis(names, info->horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(values, info->horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(names);
    series->attachAxis(values);
}

OverviewTab::ChartSlot* OverviewTab::SlotOf(Dimension dimension) {
    for (ChartSlot& slot : charts_) {
        if (slot.dimension == dimension) {
            return &slot;
        }
    }
    return nullptr;
}

const OverviewTab::ChartSlot* OverviewTab::SlotOf(Dimension dimension) const {
    return const_cast<OverviewTab*>(this)->SlotOf(dimension);
}

QChart* OverviewTab::Chart(Dimension dimension) const {
    const ChartSlot* slot = SlotOf(dimension);
    return slot != nullptr ? slot->chart : nullptr;
}

QPushButton* OverviewTab::Card(Dimension dimension) const {
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        if (kCards[i] == dimension) {
            return cards_[i];
        }
    }
    return nullptr;
}

bool OverviewTab::ShowsHint(Dimension dimension) const {
    const ChartSlot* slot = SlotOf(dimension);
    return slot != nullptr && slot->stack->currentWidget() == slot->hint;
}

void OverviewTab::ChooseBucket(Dimension dimension, std::size_t index) {
    const ChartSlot* slot = SlotOf(dimension);
    if (slot == nullptr || index >= slot->buckets.size() || !rules_) {
        return;
    }
    inventory::OverviewSelection selection;
    selection.dimension = dimension;
    selection.label = slot->buckets[index].label;
    if (dimension == Dimension::Department && selection.label != inventory::UnfilledLabel() &&
        selection.label != inventory::OtherLabel()) {
        // A department by name is the search 部门 等于 it.
        drillDown_(
            {store::FilterCondition::OfField("bm", store::FieldMatch::Equals, selection.label)});
        return;
    }
    if (selection.label == inventory::OtherLabel()) {
        for (const inventory::OverviewBucket& bucket : slot->buckets) {
            if (bucket.label != inventory::OtherLabel()) {
                selection.shown.push_back(bucket.label);
            }
        }
    }
    std::string words = ChoiceWords(dimension, selection.label);
    drillDown_(
        {store::FilterCondition::OfOverview(std::move(selection), rules_, std::move(words))});
}

void OverviewTab::ChooseCard(Dimension card) {
    if (!rules_) {
        return;
    }
    inventory::OverviewSelection selection;
    selection.dimension = card;
    drillDown_(
        {store::FilterCondition::OfOverview(std::move(selection), rules_, ChoiceWords(card, {}))});
}

void OverviewTab::SaveImage() {
    SaveDialogRequest request;
    request.filter = u8"PNG 图片 (*.png)|*.png"_gbk;
    request.fileName = "overview.png";
    request.defaultExtension = "png";
    const auto answer = host_.Dialog().AskSaveFile(request);
    if (!answer) {
        return;
    }
    const QPixmap image = page_->grab();
    const QString path = QFile::decodeName(QByteArray::fromStdString(answer->path));
    if (!image.save(path, "PNG")) {
        throw std::runtime_error(u8"无法保存图片："_gbk + ToGbk(path));
    }
}

}  // namespace vantrel::app
