#include "TScanTab.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTableView>
#include <array>

#include "Controls.h"
#include "GbkText.h"
#include "Ipv4Text.h"
#include "TExportHandlers.h"
#include "TNbt.h"
#include "TOnlineListModel.h"
#include "TTabHost.h"

namespace vantrel::app {

namespace {

// GBK texts.
constexpr char kStart[] = "\xBF\xAA\xCA\xBC";                        // 开始
constexpr char kStop[] = "\xCD\xA3\xD6\xB9";                         // 停止
constexpr char kStartSearch[] = "\xBF\xAA\xCA\xBC\xB2\xE9\xD5\xD2";  // 开始查找
// "IP地址非法，请重新输入"
constexpr char kInvalidAddress[] =
    "IP\xB5\xD8\xD6\xB7\xB7\xC7\xB7\xA8\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2\xCA\xE4\xC8\xEB";
constexpr char kTabSheet2[] =  // ping网内在线电脑列表
    "ping\xcd\xf8\xc4\xda\xd4\xda\xcf\xdf\xb5\xe7\xc4\xd4\xc1\xd0\xb1\xed";
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

TScanTab::TScanTab(QTabWidget& pages, store::TADOConnection& connection, TTabHost& host,
                   std::uint16_t peerPort)
    : host_(host),
      peerPort_(peerPort),
      tabSheet_(Named(new QWidget(&pages), "TabSheet2")),
      reported_(connection) {
    pages.addTab(tabSheet_, FromGbk(kTabSheet2));
    CreateControls();
    Button8->setProperty(kTagProperty, 0);
    model_->SetUnreportedTest([this](std::size_t row) { return IsUnreported(row); });
    ConnectClicks(host_, {
                             {Button8, [this] { Button8Click(); }},
                             {Button12, [this] { Button12Click(); }},
                         });
}

TScanTab::~TScanTab() {
    mainThread_.Close();
    for (Prober& prober : probers_) {
        prober.nbt->StopSweep();
        prober.notifier.reset();
    }
    // Each prober waits for its worker; the socket closes after its notifier.
    probers_.clear();
    // The model goes before the view and the list it shows.
    StringGrid1->setModel(nullptr);
    delete model_;
}

void TScanTab::CreateControls() {
    // StringGrid1 is docked left at full height: kept so by eventFilter.
    tabSheet_->installEventFilter(this);

    StringGrid1 = Named(new QTableView(tabSheet_), "StringGrid1");
    model_ = Named(new TOnlineListModel(list_, tabSheet_), "OnlineListSource");
    StringGrid1->setModel(model_);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Cells are clipped at their edge, as in the inventory grid.
    StringGrid1->setTextElideMode(Qt::ElideNone);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QHeaderView* rows = StringGrid1->verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(kGridRowHeight);
    rows->setDefaultSectionSize(kGridRowHeight);
    // Row 0 of the list, the fixed header row.
    QHeaderView* fixedRow = StringGrid1->horizontalHeader();
    fixedRow->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    fixedRow->setSectionsClickable(false);
    fixedRow->setHighlightSections(false);
    fixedRow->setFixedHeight(kGridRowHeight + 1);
    for (int c = 0; c < static_cast<int>(kOnlineListColumnWidths.size()); ++c) {
        fixedRow->resizeSection(c, kOnlineListColumnWidths[static_cast<std::size_t>(c)]);
    }
    StringGrid1->setGeometry(0, 0, kOnlineListWidth, tabSheet_->height());

    MakeLabel(tabSheet_, "Label1", "\xb4\xd3", 476, 21);  // 从
    Edit2 = Named(new QLineEdit(tabSheet_), "Edit2");
    Edit2->setGeometry(492, 16, 105, 21);
    MakeLabel(tabSheet_, "Label2", "\xb5\xbd", 599, 21);  // 到
    Edit3 = Named(new QLineEdit(tabSheet_), "Edit3");
    Edit3->setGeometry(615, 16, 105, 21);
    Button8 = MakeButton(tabSheet_, "Button8", kStartSearch, 571, 56, 75);
    Label3 = MakeLabel(tabSheet_, "Label3", "", 653, 62, 170);
    Label7 = MakeLabel(tabSheet_, "Label7", "", 480, 456, 340);
    Button12 = MakeButton(tabSheet_, "Button12",
                          "\xb5\xbc\xb3\xf6\xd4\xda\xcf\xdf\xb5\xe7\xc4\xd4\xc1\xd0\xb1\xed", 471,
                          509, 129);  // 导出在线电脑列表
}

bool TScanTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tabSheet_ && event->type() == QEvent::Resize) {
        StringGrid1->setGeometry(0, 0, kOnlineListWidth, tabSheet_->height());
    }
    return QObject::eventFilter(watched, event);
}

void TScanTab::WriteHeader() {
    list_.WriteHeader();
    OnlineListChanged();
}

void TScanTab::PrefillRange(const std::string& localAddress) {
    const std::string prefix = scan::AddressPrefix(localAddress);
    Edit2->setText(FromGbk(prefix + "1"));
    Edit3->setText(FromGbk(prefix + "254"));
}

int TScanTab::Tag() const {
    return Button8->property(kTagProperty).toInt();
}

void TScanTab::Button8Click() {
    if (Tag() != 0) {
        SetIdle(kStart);
        if (current_ != nullptr) {
            current_->StopSweep();
        }
        return;
    }
    const std::string from = RangeText(*Edit2);
    const std::string to = RangeText(*Edit3);
    // A part such as 08 passes the check but the conversion cannot read it
    // and would make it 255.255.255.255: a sweep from the first address to
    // the end of the address space. Such a range is refused too.
    if (!scan::IsValidIPv4Text(from) || !scan::IsValidIPv4Text(to) ||
        !scan::IsReadableDottedQuad(from) || !scan::IsReadableDottedQuad(to)) {
        host_.Dialogs().ShowInformation(kInvalidAddress);
        return;
    }
    Button8->setProperty(kTagProperty, 1);
    Button8->setText(FromGbk(kStop));
    list_.Reset();
    // The inventory may have changed since the last sweep.
    reported_.Refresh();
    OnlineListChanged();
    StartSweep(from, to);
}

void TScanTab::Button12Click() {
    ExportOnlineList(host_.Dialogs(), list_, dlgSavedlg1);
}

void TScanTab::StartSweep(const std::string& from, const std::string& to) {
    // The previous prober stays open for late answers; older ones whose
    // sweep has ended are closed, so that sweep after sweep never runs the
    // process out of descriptors the intake needs.
    const scan::TNbt* previous = probers_.empty() ? nullptr : probers_.back().nbt.get();
    std::erase_if(probers_, [previous](const Prober& old) {
        return old.nbt.get() != previous && !old.nbt->Sweeping();
    });
    Prober prober;
    prober.nbt = std::make_unique<scan::TNbt>(*this, mainThread_, peerPort_);
    scan::TNbt* nbt = prober.nbt.get();
    if (nbt->Socket() >= 0) {
        // The stand-in for the socket's read message: one datagram per
        // activation, on the main thread, in order with the other events.
        prober.notifier = std::make_unique<QSocketNotifier>(nbt->Socket(), QSocketNotifier::Read);
        connect(prober.notifier.get(), &QSocketNotifier::activated, this,
                [nbt] { nbt->HandleSocketMessage(); });
    }
    probers_.push_back(std::move(prober));
    current_ = nbt;
    nbt->FromText = from;
    nbt->ToText = to;
    nbt->Interval = scan::TNbt::kDefaultInterval;
    nbt->StartSweep();
}

void TScanTab::ApplyMarks(const std::vector<std::pair<std::string, std::string>>& marks) {
    for (const auto& [address, user] : marks) {
        list_.MarkReported(address, user);
    }
    reported_.Refresh();
    OnlineListChanged();
}

bool TScanTab::IsUnreported(std::size_t row) const {
    return row >= 1 && row + 1 < list_.RowCount() &&
           reported_.IsUnreportedRow(row, list_.Cell(scan::TOnlineList::kColMac, row));
}

void TScanTab::SetIdle(const char* caption) {
    Button8->setProperty(kTagProperty, 0);
    Button8->setText(FromGbk(caption));
}

void TScanTab::OnlineListChanged() {
    model_->Sync();
}

void TScanTab::SetProbeAddressText(const std::string& text) {
    Label3->setText(FromGbk(text));
}

void TScanTab::SetCountText(const std::string& text) {
    Label7->setText(FromGbk(text));
}

void TScanTab::ShowInformation(const std::string& text) {
    host_.Dialogs().ShowInformation(text);
}

bool TScanTab::AskAbortAfterSendError(const std::string& text) {
    return host_.Dialogs().ShowSendError(text) == TModalResult::Ok;
}

void TScanTab::SweepAborted(const scan::TNbt& prober) {
    // Only the running sweep's button: while the box was open the user may
    // have stopped it and started another.
    if (&prober == current_ && Tag() != 0) {
        SetIdle(kStart);
    }
}

void TScanTab::SweepCompleted(const scan::TNbt& prober) {
    if (&prober != current_) {
        return;
    }
    SetIdle(kStartSearch);
    Label3->setText(QString());
}

}  // namespace vantrel::app
