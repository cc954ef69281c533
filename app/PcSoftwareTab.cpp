#include "PcSoftwareTab.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "Controls.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "SoftwareCatalog.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

enum Column { kName, kVersion, kPublisher, kInstallDate, kBits, kColumns };

std::string BitsText(const std::string& bits) {
    return bits.empty() ? std::string() : bits + u8" 位"_gbk;
}

}  // namespace

PcSoftwareTab::PcSoftwareTab(const PcWindowTabContext& context, QWidget* parent)
    : PcWindowTab(parent), connection_(context.connection), host_(context.host) {
    setObjectName(QStringLiteral("pcSoftwareTab"));
    auto* layout = new QVBoxLayout(this);
    listLabel_ = Named(new QLabel(this), "softwareListLabel");
    filterEdit_ = Named(new QLineEdit(this), "softwareFilterEdit");
    filterEdit_->setPlaceholderText(QString::fromUtf8("按名称或发行商筛选"));
    filterEdit_->setClearButtonEnabled(true);
    table_ = Named(new QTableWidget(0, kColumns, this), "softwareTable");
    table_->setHorizontalHeaderLabels({QString::fromUtf8("名称"), QString::fromUtf8("版本"),
                                       QString::fromUtf8("发行商"), QString::fromUtf8("安装日期"),
                                       QString::fromUtf8("位数")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(kName, QHeaderView::Stretch);
    layout->addWidget(listLabel_);
    layout->addWidget(filterEdit_);
    layout->addWidget(table_);
    connect(filterEdit_, &QLineEdit::textChanged, this, [this] { Fill(); });
}

std::string PcSoftwareTab::Title() const {
    return u8"软件"_gbk;
}

PcWindowTabFactory PcSoftwareTab::Factory() {
    return [](const PcWindowTabContext& context, QWidget* parent) -> std::unique_ptr<PcWindowTab> {
        return std::make_unique<PcSoftwareTab>(context, parent);
    };
}

void PcSoftwareTab::ShowPc(const PcWindowSubject& pc) {
    host_.RunHandler([this, &pc] {
        programs_.clear();
        const store::PcSoftware software = store::ReadPcSoftware(connection_, pc.key);
        programs_ = software.programs;
        if (!software.listTime) {
            listLabel_->setText(QString::fromUtf8("这台电脑的采集程序还没有送来软件清单"));
        } else {
            listLabel_->setText(QString::fromUtf8("软件清单：%1，共 %2 项")
                                    .arg(FromGbk(*software.listTime))
                                    .arg(programs_.size()));
        }
    });
    Fill();
}

void PcSoftwareTab::Fill() {
    table_->setSortingEnabled(false);
    table_->setRowCount(0);
    std::string filter;
    try {
        filter = ToGbk(filterEdit_->text().trimmed());
    } catch (const GbkError&) {
        return;  // no program's name holds a character GBK lacks
    }
    int row = 0;
    for (const store::InstalledProgram& program : programs_) {
        if (!filter.empty() && !text::ContainsIgnoringCase(program.name, filter) &&
            !text::ContainsIgnoringCase(program.publisher, filter)) {
            continue;
        }
        table_->insertRow(row);
        const std::string cells[kColumns] = {program.name, program.version, program.publisher,
                                             program.installDate, BitsText(program.bits)};
        for (int c = 0; c < kColumns; ++c) {
            table_->setItem(row, c, new QTableWidgetItem(FromGbk(cells[c])));
        }
        ++row;
    }
    table_->setSortingEnabled(true);
}

}  // namespace vantrel::app
