// The 资产 tab on its own: nothing is written before 保存, a bad value is
// refused where it is typed, 取消 drops the edits, and a reported asset
// tag is offered while the PC has no number.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "GbkLiteral.h"
#include "InventoryTabFixture.h"
#include "IpAsset.h"
#include "IpHistory.h"
#include "PcAssetTab.h"

namespace vantrel::app::test {
namespace {

using inventory::AssetField;
using inventory::IndexOf;

class PcAssetTabTest : public InventoryTabFixture {
  protected:
    void SetUp() override {
        InventoryTabFixture::SetUp();
        MakeDatabase(std::string(kFourRows) +
                     "CREATE TABLE IF NOT EXISTS ip_device (mac TEXT PRIMARY KEY COLLATE NOCASE, "
                     "maker TEXT, "
                     "model TEXT, serial TEXT, boardserial TEXT, chassisserial TEXT, assettag "
                     "TEXT, uuid TEXT, reporttime TEXT);"
                     "INSERT INTO ip_device (mac, assettag) VALUES ('d3', 'ZC-2024-031'), "
                     "('d2', 'Default string');");
        database.Open(options.databasePath);
        tab = std::make_unique<PcAssetTab>(PcWindowTabContext{database, host});
        tab->ShowPc({"d3", "d3", "PC3", "zhang"});
    }
    void TearDown() override {
        tab.reset();
        database.Close();
        InventoryTabFixture::TearDown();
    }

    QLineEdit* Line(AssetField field) { return qobject_cast<QLineEdit*>(tab->Editor(field)); }
    // Types into a field as a user does and leaves it.
    void TypeInto(AssetField field, const QString& text) {
        QLineEdit* line = Line(field);
        line->setFocus();
        line->clear();
        line->insert(text);  // Chinese text cannot be typed key by key
        emit line->textEdited(text);
        emit line->editingFinished();
    }
    std::string Stored(AssetField field) {
        return store::IpAsset(database).Of("d3")[IndexOf(field)];
    }
    std::size_t HistoryEntries() {
        return store::IpHistory(database).HistoryOf("d3", 100).entries.size();
    }

    std::unique_ptr<PcAssetTab> tab;
};

TEST_F(PcAssetTabTest, SaveWritesTheTypedRecordAndNothingIsWrittenBefore) {
    TypeInto(AssetField::location, QString::fromUtf8("三楼财务室"));
    TypeInto(AssetField::purchasedate, QStringLiteral("2024/3/5"));
    TypeInto(AssetField::price, QStringLiteral("4999.5"));
    tab->findChild<QComboBox*>(QStringLiteral("status"))->setCurrentIndex(2);  // 维修
    EXPECT_EQ(Line(AssetField::purchasedate)->text(), QStringLiteral("2024-03-05"));
    EXPECT_TRUE(tab->SaveButton()->isEnabled());
    EXPECT_EQ(Stored(AssetField::location), "");
    EXPECT_EQ(HistoryEntries(), 0u);

    QTest::mouseClick(tab->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(Stored(AssetField::location), u8"三楼财务室"_gbk);
    EXPECT_EQ(Stored(AssetField::purchasedate), "2024-03-05");
    EXPECT_EQ(Stored(AssetField::price), "4999.50");
    EXPECT_EQ(Stored(AssetField::status), u8"维修"_gbk);
    EXPECT_EQ(HistoryEntries(), 4u);
    EXPECT_EQ(Line(AssetField::price)->text(), QStringLiteral("4999.50"));
    EXPECT_FALSE(tab->SaveButton()->isEnabled());
    EXPECT_TRUE(dialogs.errors.empty());

    // The README's picture of the tab, when asked for: a typed bad date
    // and its reason beside saved values.
    if (const char* picture = std::getenv("VANTREL_ASSET_TAB_PNG")) {
        TypeInto(AssetField::assetno, QStringLiteral("ZC-2024-031"));
        TypeInto(AssetField::supplier, QString::fromUtf8("联想（北京）"));
        TypeInto(AssetField::warrantyend, QStringLiteral("2027-02-30"));
        tab->resize(520, 400);
        tab->show();
        QTest::qWait(200);
        EXPECT_TRUE(tab->grab().save(QString::fromLocal8Bit(picture)));
    }
}

TEST_F(PcAssetTabTest, ABadValueIsRefusedWhereTypedWithItsReason) {
    struct Case {
        AssetField field;
        QString text;
        const char* reasonPart;  // UTF-8
    };
    const std::vector<Case> cases{
        {AssetField::warrantyend, QStringLiteral("2025-02-30"), "日期"},
        {AssetField::purchasedate, QStringLiteral("soon"), "日期"},
        {AssetField::price, QStringLiteral("12.345"), "金额"},
        {AssetField::supplier, QString::fromUtf8("供应商\U0001F600"), "GBK"},
    };
    for (const Case& c : cases) {
        tab->Cancel();
        TypeInto(c.field, c.text);
        EXPECT_TRUE(tab->ReasonLabel()->text().contains(QString::fromUtf8(c.reasonPart)))
            << tab->ReasonLabel()->text().toStdString();
        QTest::mouseClick(tab->SaveButton(), Qt::LeftButton);
        EXPECT_EQ(Line(c.field)->text(), c.text);  // left as typed
        EXPECT_EQ(HistoryEntries(), 0u) << c.text.toStdString();
    }
}

TEST_F(PcAssetTabTest, CancelDropsTheEditsAndATakenNumberIsRefusedWithABox) {
    store::IpAsset(database).SetField({"d2"}, AssetField::assetno, "ZC-1");
    TypeInto(AssetField::remark, QStringLiteral("spare keyboard"));
    QTest::mouseClick(tab->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(Line(AssetField::remark)->text(), QString());
    EXPECT_EQ(HistoryEntries(), 0u);

    TypeInto(AssetField::assetno, QStringLiteral("ZC-1"));
    QTest::mouseClick(tab->SaveButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("d2"), std::string::npos);  // names the PC that has it
    EXPECT_EQ(Stored(AssetField::assetno), "");
}

TEST_F(PcAssetTabTest, AReportedAssetTagIsOfferedWhileTheNumberIsEmpty) {
    EXPECT_FALSE(tab->OfferButton()->isHidden());
    QTest::mouseClick(tab->OfferButton(), Qt::LeftButton);
    EXPECT_EQ(Line(AssetField::assetno)->text(), QStringLiteral("ZC-2024-031"));
    EXPECT_TRUE(tab->OfferButton()->isHidden());
    EXPECT_EQ(Stored(AssetField::assetno), "");  // offered, not written
    // A placeholder is no tag.
    tab->Cancel();
    tab->ShowPc({"d2", "d2", "PC2", "li"});
    EXPECT_TRUE(tab->OfferButton()->isHidden());
}

}  // namespace
}  // namespace vantrel::app::test
