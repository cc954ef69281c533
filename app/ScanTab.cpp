#include "ScanTab.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <array>

#include "Controls.h"
#include "ExportHandlers.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "Ipv4Text.h"
#include "LocalAddress.h"
#include "NodeStatusProber.h"
#include "OnlineListModel.h"
#include "SightingBatch.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

// GBK texts.
const std::string& kStart = u8"开始"_gbk;
const std::string& kStop = u8"停止"_gbk;
const std::string& kStartSearch = u8"开始查找"_gbk;
// "IP地址非法，请重新输入"
const std::string& kInvalidAddress = u8"IP地址非法，请重新输入"_gbk;
const std::string& kPageTitle = u8"ping网内在线电脑列表"_gbk;
constexpr char kTagProperty[] = "Tag";

constexpr int kOnlineListWidth = 457;
constexpr std::array<int, 4> kOnlineListColumnWidths{125, 105, 104, 88};

// The text of a range box, or "" when it holds a character GBK lacks (an
// address it cannot be either).
std::string RangeText(const QLineEdit& edit) {
    try {
        return ToGbk(edit.text());
    } catch (const GbkError&) {
        return {};
    }
}

}  // namespace

ScanTab::ScanTab(QTabWidget& pages, store::InventoryDatabase& connection, TabHost& host,
                 std::uint16_t peerPort, system::LocalClock clock)
    : host_(host),
      peerPort_(peerPort),
      page_(Named(new QWidget(&pages), "scanPage")),
      reported_(connection),
      sightings_(new SightingBatch(
          connection,
          [this](const std::string& message) {
              // Once a sweep: the list keeps the answers all the same.
              if (!seenFailureTold_) {
                  seenFailureTold_ = true;
                  host_.AppendLog(message);
              }
          },
          std::move(clock), this)) {
    pages.addTab(page_, FromGbk(kPageTitle));
    CreateControls();
    sweepButton_->setProperty(kTagProperty, 0);
    model_->SetUnreportedTest([this](std::size_t row) { return IsUnreported(row); });
    ConnectClicks(host_, {
                             {sweepButton_, [this] { ToggleSweep(); }},
                             {exportOnlineButton_, [this] { ExportOnlineList(); }},
                         });
}

ScanTab::~ScanTab() {
    mainThread_.Close();
    for (Prober& prober : probers_) {
        prober.nbt->StopSweep();
        prober.notifier.reset();
    }
    FlushSightings();
    // Each prober waits for its worker; the socket closes after its notifier.
    probers_.clear();
    // The model goes before the view and the list it shows.
    onlineListView_->setModel(nullptr);
    delete model_;
}

void ScanTab::CreateControls() {
    // The online list view is docked left at full height: kept so by eventFilter.
    page_->installEventFilter(this);

    onlineListView_ = Named(new QTableView(page_), "onlineListView");
    model_ = Named(new OnlineListModel(list_, page_), "OnlineListSource");
    onlineListView_->setModel(model_);
    onlineListView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Cells are clipped at their edge, as in the inventory grid.
    onlineListView_->setTextElideMode(Qt::ElideNone);
    onlineListView_->setSelectionMode(QAbstractItemView::SingleSelection);
    onlineListView_->setSelectionBehavior(QAbstractItemView::SelectItems);
    onlineListView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    onlineListView_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QHeaderView* rows = onlineListView_->verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(kGridRowHeight);
    rows->setDefaultSectionSize(kGridRowHeight);
    // Row 0 of the list, the fixed header row.
    QHeaderView* fixedRow = onlineListView_->horizontalHeader();
    fixedRow->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    fixedRow->setSectionsClickable(false);
    fixedRow->setHighlightSections(false);
    fixedRow->setFixedHeight(kGridRowHeight + 1);
    for (int c = 0; c < static_cast<int>(kOnlineListColumnWidths.size()); ++c) {
        fixedRow->resizeSection(c, kOnlineListColumnWidths[static_cast<std::size_t>(c)]);
    }
    onlineListView_->setGeometry(0, 0, kOnlineListWidth, page_->height());

    MakeLabel(page_, "fromLabel", u8"从"_gbk, 476, 21);
    firstAddressEdit_ = Named(new QLineEdit(page_), "firstAddressEdit");
    firstAddressEdit_->setGeometry(492, 16, 105, 21);
    MakeLabel(page_, "toLabel", u8"到"_gbk, 599, 21);
    lastAddressEdit_ = Named(new QLineEdit(page_), "lastAddressEdit");
    lastAddressEdit_->setGeometry(615, 16, 105, 21);
    sweepButton_ = MakeButton(page_, "sweepButton", kStartSearch, 571, 56, 75);
    probeAddressLabel_ = MakeLabel(page_, "probeAddressLabel", "", 653, 62, 170);
    onlineCountLabel_ = MakeLabel(page_, "onlineCountLabel", "", 480, 456, 340);
    exportOnlineButton_ =
        MakeButton(page_, "exportOnlineButton", u8"导出在线电脑列表"_gbk, 471, 509, 129);
}

bool ScanTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == page_ && event->type() == QEvent::Resize) {
        onlineListView_->setGeometry(0, 0, kOnlineListWidth, page_->height());
    }
    return QObject::eventFilter(watched, event);
}

void ScanTab::WriteHeader() {
    list_.WriteHeader();
    OnlineListChanged();
}

void ScanTab::PrefillRange(const std::string& localAddress) {
    const scan::SweepRange range = scan::PrefillRange(
        localAddress, scan::NetmaskOf(localAddress, scan::ReadInterfaceAddresses()));
    firstAddressEdit_->setText(FromGbk(range.first));
    lastAddressEdit_->setText(FromGbk(range.last));
}

int ScanTab::Tag() const {
    return sweepButton_->property(kTagProperty).toInt();
}

void ScanTab::ToggleSweep() {
    if (Tag() != 0) {
        SetIdle(kStart);
        if (current_ != nullptr) {
            current_->StopSweep();
        }
        FlushSightings();
        return;
    }
    const std::string from = RangeText(*firstAddressEdit_);
    const std::string to = RangeText(*lastAddressEdit_);
    // A part such as 08 passes the check but the conversion cannot read it
    // and would make it 255.255.255.255: a sweep from the first address to
    // the end of the address space. Such a range is refused too.
    if (!scan::IsValidIPv4Text(from) || !scan::IsValidIPv4Text(to) ||
        !scan::IsReadableDottedQuad(from) || !scan::IsReadableDottedQuad(to)) {
        host_.Dialog().ShowInformation(kInvalidAddress);
        return;
    }
    sweepButton_->setProperty(kTagProperty, 1);
    sweepButton_->setText(FromGbk(kStop));
    list_.Reset();
    // The inventory may have changed since the last sweep.
    reported_.Refresh();
    OnlineListChanged();
    StartSweep(from, to);
}

void ScanTab::ExportOnlineList() {
    SaveOnlineList(host_.Dialog(), list_, exportDialogState_);
}

void ScanTab::StartSweep(const std::string& from, const std::string& to) {
    // The previous prober stays open for late answers; older ones whose
    // sweep has ended are closed, so that sweep after sweep never runs the
    // process out of descriptors the intake needs.
    const scan::NodeStatusProber* previous = probers_.empty() ? nullptr : probers_.back().nbt.get();
    std::erase_if(probers_, [previous](const Prober& old) {
        return old.nbt.get() != previous && !old.nbt->Sweeping();
    });
    Prober prober;
    prober.nbt = std::make_unique<scan::NodeStatusProber>(*this, mainThread_, peerPort_);
    scan::NodeStatusProber* nbt = prober.nbt.get();
    if (nbt->Socket() >= 0) {
        // The stand-in for the socket's read message: one datagram per
        // activation, on the main thread, in order with the other events.
        prober.notifier = std::make_unique<QSocketNotifier>(nbt->Socket(), QSocketNotifier::Read);
        connect(prober.notifier.get(), &QSocketNotifier::activated, this,
                [nbt] { nbt->HandleSocketMessage(); });
    }
    prober.sweepTime = sightings_->Now();
    seenFailureTold_ = false;
    probers_.push_back(std::move(prober));
    current_ = nbt;
    nbt->StartSweep(from, to, scan::NodeStatusProber::kDefaultInterval);
}

void ScanTab::ApplyMarks(const std::vector<std::pair<std::string, std::string>>& marks) {
    for (const auto& [address, user] : marks) {
        list_.MarkReported(address, user);
    }
    reported_.Refresh();
    OnlineListChanged();
}

bool ScanTab::IsUnreported(std::size_t row) const {
    return row >= 1 && row + 1 < list_.RowCount() &&
           reported_.IsUnreportedRow(row, list_.Cell(scan::OnlineList::kColMac, row));
}

void ScanTab::SetIdle(std::string_view caption) {
    sweepButton_->setProperty(kTagProperty, 0);
    sweepButton_->setText(FromGbk(caption));
}

void ScanTab::OnlineListChanged() {
    model_->Sync();
}

void ScanTab::AnswerReceived(const scan::NodeStatusProber& prober, const std::string& name,
                             const std::string& address, const std::string& mac) {
    const auto owner = std::find_if(probers_.begin(), probers_.end(),
                                    [&prober](const Prober& p) { return p.nbt.get() == &prober; });
    sightings_->Add(name, address, mac,
                    owner != probers_.end() ? owner->sweepTime : sightings_->Now());
}

void ScanTab::FlushSightings() {
    sightings_->Flush();
}

void ScanTab::SetProbeAddressText(const std::string& text) {
    probeAddressLabel_->setText(FromGbk(text));
}

void ScanTab::SetCountText(const std::string& text) {
    onlineCountLabel_->setText(FromGbk(text));
}

void ScanTab::ShowInformation(const std::string& text) {
    host_.Dialog().ShowInformation(text);
}

bool ScanTab::AskAbortAfterSendError(const std::string& text) {
    return host_.Dialog().ShowSendError(text) == ModalResult::Ok;
}

void ScanTab::SweepAborted(const scan::NodeStatusProber& prober) {
    // Only the running sweep's button: while the box was open the user may
    // have stopped it and started another.
    if (&prober == current_ && Tag() != 0) {
        SetIdle(kStart);
    }
    FlushSightings();
}

void ScanTab::SweepCompleted(const scan::NodeStatusProber& prober) {
    FlushSightings();
    if (&prober != current_) {
        return;
    }
    SetIdle(kStartSearch);
    probeAddressLabel_->setText(QString());
}

}  // namespace vantrel::app
