#pragma once
// The 资产 tab of a PC's window: the administrator's record of the PC
// (asset number, status, location, purchase, supplier, price, warranty,
// remark), edited here and written only by 保存; 取消 brings back what is
// stored. A value the field does not take is refused where it is typed,
// with the reason under the form. When the PC has no asset number and its
// collector reported an asset tag, the tab offers that tag.

#include <QPointer>
#include <array>
#include <string>

#include "AssetFields.h"
#include "IpAsset.h"
#include "PcWindowTab.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vantrel::app {

class PcAssetTab : public PcWindowTab {
    Q_OBJECT
  public:
    PcAssetTab(const PcWindowTabContext& context, QWidget* parent = nullptr);

    std::string Title() const override;
    // Reads the PC's record; edits not yet saved of the same PC are kept.
    void ShowPc(const PcWindowSubject& pc) override;

    // The factory the PC's window is given.
    static PcWindowTabFactory Factory();

    // 保存: checks every field and stores the record, then tells Saved when
    // a field changed; a refusal leaves the fields as typed. 取消: the
    // stored record again.
    void Save();
    void Cancel();
    // Whether the fields differ from what is stored.
    bool HasEdits() const;

    // The editor of a field: a QLineEdit, or the status's QComboBox.
    QWidget* Editor(inventory::AssetField field) const;
    QLabel* ReasonLabel() const { return reasonLabel_; }
    QPushButton* SaveButton() const { return saveButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    // 采用资产标签: shown while an asset tag is on offer.
    QPushButton* OfferButton() const { return offerButton_; }

  private:
    QLineEdit* LineOf(inventory::AssetField field) const;
    // The fields as typed, GBK; throws GbkError for text GBK cannot hold.
    inventory::AssetValues Typed() const;
    void Fill(const inventory::AssetValues& values);
    // Checks one field as typed; shows or clears its reason. True when taken.
    bool CheckField(inventory::AssetField field);
    void FieldEdited();
    void UpdateOffer();
    void PickDate(inventory::AssetField field, QPushButton* button);

    store::IpAsset assets_;
    TabHost& host_;
    PcWindowSubject pc_;
    bool shown_ = false;
    inventory::AssetValues stored_{};
    std::string offeredTag_;
    std::array<QWidget*, inventory::kAssetFieldCount> editors_{};
    QComboBox* statusCombo_;
    QLabel* reasonLabel_;
    QPushButton* offerButton_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
};

}  // namespace vantrel::app
