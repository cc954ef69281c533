#include "PcAssetTab.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include "Dialogs.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

using inventory::AssetField;
using inventory::IndexOf;
using inventory::kAssetFields;

const char* const kInvalidStyle = "QLineEdit { background: #ffe0e0; }";

}  // namespace

PcAssetTab::PcAssetTab(const PcWindowTabContext& context, QWidget* parent)
    : PcWindowTab(parent),
      assets_(context.connection),
      host_(context.host),
      statusCombo_(new QComboBox(this)),
      reasonLabel_(new QLabel(this)),
      offerButton_(new QPushButton(this)),
      saveButton_(new QPushButton(QString::fromUtf8("保存"), this)),
      cancelButton_(new QPushButton(QString::fromUtf8("取消"), this)) {
    auto* form = new QFormLayout;
    for (const inventory::AssetFieldInfo& info : kAssetFields) {
        QWidget* row = nullptr;
        if (info.field == AssetField::status) {
            for (const std::string& status : inventory::AssetStatuses()) {
                statusCombo_->addItem(FromGbk(status));
            }
            connect(statusCombo_, &QComboBox::currentIndexChanged, this, [this] { FieldEdited(); });
            editors_[IndexOf(info.field)] = statusCombo_;
            row = statusCombo_;
        } else {
            auto* line = new QLineEdit(this);
            editors_[IndexOf(info.field)] = line;
            connect(line, &QLineEdit::textEdited, this, [this] { FieldEdited(); });
            const AssetField field = info.field;
            connect(line, &QLineEdit::editingFinished, this, [this, field] { CheckField(field); });
            row = line;
            if (info.isDate) {
                line->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
                auto* pick = new QPushButton(QString::fromUtf8("选择…"), this);
                pick->setObjectName(
                    QStringLiteral("DatePicker_") +
                    QString::fromLatin1(info.column.data(),
                                        static_cast<qsizetype>(info.column.size())));
                connect(pick, &QPushButton::clicked, this,
                        [this, field, pick] { PickDate(field, pick); });
                auto* box = new QWidget(this);
                auto* layout = new QHBoxLayout(box);
                layout->setContentsMargins(0, 0, 0, 0);
                layout->addWidget(line, 1);
                layout->addWidget(pick);
                row = box;
            } else if (info.field == AssetField::price) {
                line->setPlaceholderText(QString::fromUtf8("元，如 4999.00"));
            }
        }
        editors_[IndexOf(info.field)]->setObjectName(
            QString::fromLatin1(info.column.data(), static_cast<qsizetype>(info.column.size())));
        if (info.field == AssetField::assetno) {
            auto* box = new QWidget(this);
            auto* layout = new QHBoxLayout(box);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(row, 1);
            layout->addWidget(offerButton_);
            row = box;
        }
        form->addRow(FromGbk(inventory::AssetTitle(info.field)) + QStringLiteral("："), row);
    }
    statusCombo_->setObjectName(QStringLiteral("status"));
    offerButton_->setObjectName(QStringLiteral("offerButton"));
    offerButton_->setVisible(false);
    connect(offerButton_, &QPushButton::clicked, this, [this] {
        LineOf(AssetField::assetno)->setText(FromGbk(offeredTag_));
        FieldEdited();
    });
    reasonLabel_->setObjectName(QStringLiteral("reasonLabel"));
    reasonLabel_->setStyleSheet(QStringLiteral("color: #b00000;"));
    reasonLabel_->setWordWrap(true);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    connect(saveButton_, &QPushButton::clicked, this,
            [this] { host_.RunHandler([this] { Save(); }); });
    connect(cancelButton_, &QPushButton::clicked, this,
            [this] { host_.RunHandler([this] { Cancel(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(reasonLabel_);
    layout->addStretch(1);
    layout->addLayout(buttons);
    Fill(inventory::DefaultAssetValues());
    setEnabled(false);  // until it shows a PC
}

std::string PcAssetTab::Title() const {
    return u8"资产"_gbk;
}

PcWindowTabFactory PcAssetTab::Factory() {
    return [](const PcWindowTabContext& context, QWidget* parent) -> std::unique_ptr<PcWindowTab> {
        return std::make_unique<PcAssetTab>(context, parent);
    };
}

QWidget* PcAssetTab::Editor(AssetField field) const {
    return editors_[IndexOf(field)];
}

QLineEdit* PcAssetTab::LineOf(AssetField field) const {
    return qobject_cast<QLineEdit*>(editors_[IndexOf(field)]);
}

void PcAssetTab::ShowPc(const PcWindowSubject& pc) {
    const bool samePc = shown_ && (pc.key == pc_.key || pc.mac == pc_.mac);
    const bool keepEdits = samePc && HasEdits();
    pc_ = pc;
    shown_ = true;
    setEnabled(true);
    stored_ = assets_.Of(pc_.key);
    offeredTag_ = assets_.ReportedAssetTag(pc_.key);
    if (!keepEdits) {
        Fill(stored_);
    }
    FieldEdited();
}

void PcAssetTab::Fill(const inventory::AssetValues& values) {
    for (const inventory::AssetFieldInfo& info : kAssetFields) {
        const std::string& value = values[IndexOf(info.field)];
        if (info.field == AssetField::status) {
            const int index = statusCombo_->findText(FromGbk(value));
            statusCombo_->setCurrentIndex(index >= 0 ? index : 0);
        } else {
            LineOf(info.field)->setText(FromGbk(value));
            LineOf(info.field)->setStyleSheet(QString());
        }
    }
    reasonLabel_->clear();
}

inventory::AssetValues PcAssetTab::Typed() const {
    inventory::AssetValues values;
    for (const inventory::AssetFieldInfo& info : kAssetFields) {
        values[IndexOf(info.field)] = info.field == AssetField::status
                                          ? ToGbk(statusCombo_->currentText())
                                          : ToGbk(LineOf(info.field)->text());
    }
    return values;
}

bool PcAssetTab::HasEdits() const {
    try {
        inventory::AssetValues typed = Typed();
        for (std::size_t f = 0; f < typed.size(); ++f) {
            typed[f] = std::string(text::TrimBlanks(typed[f]));
        }
        return typed != stored_;
    } catch (const GbkError&) {
        return true;
    }
}

bool PcAssetTab::CheckField(AssetField field) {
    QLineEdit* line = LineOf(field);
    if (line == nullptr) {
        return true;
    }
    std::string reason;
    try {
        std::string value = ToGbk(line->text());
        reason = inventory::NormalizeAssetValue(field, value);
        if (reason.empty() && FromGbk(value) != line->text().trimmed() &&
            kAssetFields[IndexOf(field)].isDate) {
            line->setText(FromGbk(value));  // 2024/3/5 becomes 2024-03-05 where typed
        }
    } catch (const GbkError& error) {
        reason = inventory::AssetTitle(field) + u8"："_gbk + error.what();
    }
    line->setStyleSheet(reason.empty() ? QString() : QString::fromLatin1(kInvalidStyle));
    if (!reason.empty()) {
        reasonLabel_->setText(FromGbk(reason));
    } else if (line->property("refused").toBool()) {
        reasonLabel_->clear();
    }
    line->setProperty("refused", !reason.empty());
    return reason.empty();
}

void PcAssetTab::FieldEdited() {
    const bool edits = HasEdits();
    saveButton_->setEnabled(edits);
    cancelButton_->setEnabled(edits);
    UpdateOffer();
}

void PcAssetTab::UpdateOffer() {
    const bool offer =
        !offeredTag_.empty() && LineOf(AssetField::assetno)->text().trimmed().isEmpty();
    offerButton_->setText(QString::fromUtf8("采用资产标签 ") + FromGbk(offeredTag_));
    offerButton_->setToolTip(QString::fromUtf8("采集程序报告的 SMBIOS 资产标签"));
    offerButton_->setVisible(offer);
}

void PcAssetTab::PickDate(AssetField field, QPushButton* button) {
    QMenu menu(this);
    auto* calendar = new QCalendarWidget(&menu);
    const std::optional<std::string> current =
        inventory::NormalDate(LineOf(field)->text().toLatin1().toStdString());
    calendar->setSelectedDate(current ? QDate::fromString(QString::fromLatin1(current->c_str()),
                                                          QStringLiteral("yyyy-MM-dd"))
                                      : QDate::currentDate());
    auto* action = new QWidgetAction(&menu);
    action->setDefaultWidget(calendar);
    menu.addAction(action);
    connect(calendar, &QCalendarWidget::clicked, &menu, [this, field, &menu](const QDate& date) {
        LineOf(field)->setText(date.toString(QStringLiteral("yyyy-MM-dd")));
        CheckField(field);
        FieldEdited();
        menu.close();
    });
    menu.exec(button->mapToGlobal(QPoint(0, button->height())));
}

void PcAssetTab::Save() {
    if (!shown_) {
        return;
    }
    for (const inventory::AssetFieldInfo& info : kAssetFields) {
        if (!CheckField(info.field)) {
            editors_[IndexOf(info.field)]->setFocus();
            return;  // the reason is shown under the form
        }
    }
    const inventory::AssetValues typed = Typed();
    std::size_t changed = 0;
    try {
        changed = assets_.Save(pc_.key, typed);
    } catch (const store::AssetError& error) {
        reasonLabel_->setText(FromGbk(error.what()));
        host_.Dialog().ShowError(error.what());
        return;
    }
    stored_ = assets_.Of(pc_.key);
    Fill(stored_);
    FieldEdited();
    if (changed > 0) {
        host_.InventoryReloaded();  // the overview's cards
        emit Saved();               // the grid's greyed and hidden rows
    }
}

void PcAssetTab::Cancel() {
    if (!shown_) {
        return;
    }
    stored_ = assets_.Of(pc_.key);
    Fill(stored_);
    FieldEdited();
}

}  // namespace vantrel::app
