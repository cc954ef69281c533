#include "TScanTab.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>

#include "GbkText.h"
#include "Ipv4Text.h"
#include "TDialogs.h"
#include "TForm1.h"
#include "TNbt.h"
#include "TOnlineList.h"

namespace vantrel::app {

namespace {

// GBK texts.
constexpr char kStart[] = "\xBF\xAA\xCA\xBC";                        // 开始
constexpr char kStop[] = "\xCD\xA3\xD6\xB9";                         // 停止
constexpr char kStartSearch[] = "\xBF\xAA\xCA\xBC\xB2\xE9\xD5\xD2";  // 开始查找
// "IP地址非法，请重新输入"
constexpr char kInvalidAddress[] =
    "IP\xB5\xD8\xD6\xB7\xB7\xC7\xB7\xA8\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2\xCA\xE4\xC8\xEB";
constexpr char kTagProperty[] = "Tag";

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

void TForm1::Button8Click() {
    ScanTab->Button8Click();
}

TScanTab::TScanTab(TForm1& form, std::uint16_t peerPort)
    : form_(form), peerPort_(peerPort), reported_(form.ADOConnection1) {
    form_.Button8->setProperty(kTagProperty, 0);
}

TScanTab::~TScanTab() {
    mainThread_.Close();
    for (Prober& prober : probers_) {
        prober.nbt->StopSweep();
        prober.notifier.reset();
    }
    // Each prober waits for its worker; the socket closes after its notifier.
    probers_.clear();
}

int TScanTab::Tag() const {
    return form_.Button8->property(kTagProperty).toInt();
}

void TScanTab::Button8Click() {
    if (Tag() != 0) {
        SetIdle(kStart);
        if (current_ != nullptr) {
            current_->StopSweep();
        }
        return;
    }
    const std::string from = RangeText(*form_.Edit2);
    const std::string to = RangeText(*form_.Edit3);
    // A part such as 08 passes the check but the conversion cannot read it
    // and would make it 255.255.255.255: a sweep from the first address to
    // the end of the address space. Such a range is refused too.
    if (!scan::IsValidIPv4Text(from) || !scan::IsValidIPv4Text(to) ||
        !scan::IsReadableDottedQuad(from) || !scan::IsReadableDottedQuad(to)) {
        form_.Dialogs().ShowInformation(kInvalidAddress);
        return;
    }
    form_.Button8->setProperty(kTagProperty, 1);
    form_.Button8->setText(FromGbk(kStop));
    form_.OnlineList.Reset();
    // The inventory may have changed since the last sweep.
    reported_.Refresh();
    form_.OnlineListChanged();
    StartSweep(from, to);
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
        QObject::connect(prober.notifier.get(), &QSocketNotifier::activated, &form_,
                         [nbt] { nbt->HandleSocketMessage(); });
    }
    probers_.push_back(std::move(prober));
    current_ = nbt;
    nbt->FromText = from;
    nbt->ToText = to;
    nbt->Interval = scan::TNbt::kDefaultInterval;
    nbt->StartSweep();
}

void TScanTab::ReportArrived() {
    reported_.Refresh();
}

bool TScanTab::IsUnreported(std::size_t row) const {
    const scan::TOnlineList& list = form_.OnlineList;
    return row >= 1 && row + 1 < list.RowCount() &&
           reported_.IsUnreportedRow(row, list.Cell(scan::TOnlineList::kColMac, row));
}

void TScanTab::SetIdle(const char* caption) {
    form_.Button8->setProperty(kTagProperty, 0);
    form_.Button8->setText(FromGbk(caption));
}

scan::TOnlineList& TScanTab::OnlineList() {
    return form_.OnlineList;
}

void TScanTab::OnlineListChanged() {
    form_.OnlineListChanged();
}

void TScanTab::SetProbeAddressText(const std::string& text) {
    form_.Label3->setText(FromGbk(text));
}

void TScanTab::SetCountText(const std::string& text) {
    form_.Label7->setText(FromGbk(text));
}

void TScanTab::ShowInformation(const std::string& text) {
    form_.Dialogs().ShowInformation(text);
}

bool TScanTab::AskAbortAfterSendError(const std::string& text) {
    return form_.Dialogs().ShowSendError(text) == TModalResult::Ok;
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
    form_.Label3->setText(QString());
}

}  // namespace vantrel::app
