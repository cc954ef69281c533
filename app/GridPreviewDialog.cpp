#include "GridPreviewDialog.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>
#include <stdexcept>

#include "Dialogs.h"
#include "ExportHandlers.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "PagePreviewView.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

constexpr double kZoomStep = 1.25;
const std::string& kPdfFilter = u8"PDF 文件 (*.pdf)|*.pdf"_gbk;

}  // namespace

GridPreviewDialog::GridPreviewDialog(QWidget* parent, TabHost& host,
                                     std::unique_ptr<GridPages> pages)
    : QDialog(parent), host_(host), pages_(std::move(pages)), view_(nullptr), pageBox_(nullptr) {
    setObjectName(QStringLiteral("GridPreview"));
    setWindowTitle(QString::fromUtf8("打印预览"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* tools = new QToolBar(this);
    layout->addWidget(tools);
    const GridPages* source = pages_.get();
    view_ = new PagePreviewView(this, pages_->Layout().Paper(), pages_->PageCount(),
                                [source](QPainter& painter, int page, double dotsPerPoint) {
                                    source->PaintPage(painter, page, dotsPerPoint);
                                });
    view_->setObjectName(QStringLiteral("PreviewPages"));
    layout->addWidget(view_, 1);

    auto run = [this](void (GridPreviewDialog::*handler)()) {
        return [this, handler] { host_.RunHandler([this, handler] { (this->*handler)(); }); };
    };
    QAction* print = tools->addAction(QString::fromUtf8("打印…"));
    print->setObjectName(QStringLiteral("PrintAction"));
    connect(print, &QAction::triggered, this, run(&GridPreviewDialog::PrintOnPrinter));
    QAction* pdf = tools->addAction(QString::fromUtf8("导出PDF…"));
    pdf->setObjectName(QStringLiteral("PdfAction"));
    connect(pdf, &QAction::triggered, this, run(&GridPreviewDialog::SavePdf));
    tools->addSeparator();
    connect(tools->addAction(QString::fromUtf8("上一页")), &QAction::triggered, this,
            [this] { view_->ShowPage(view_->CurrentPage() - 1); });
    pageBox_ = new QSpinBox(tools);
    pageBox_->setObjectName(QStringLiteral("PageBox"));
    pageBox_->setRange(1, pages_->PageCount());
    tools->addWidget(pageBox_);
    tools->addWidget(new QLabel(QString::fromUtf8(" / %1 页 ").arg(pages_->PageCount()), tools));
    connect(tools->addAction(QString::fromUtf8("下一页")), &QAction::triggered, this,
            [this] { view_->ShowPage(view_->CurrentPage() + 1); });
    tools->addSeparator();
    connect(tools->addAction(QString::fromUtf8("缩小")), &QAction::triggered, this,
            [this] { view_->SetZoom(view_->Zoom() / kZoomStep); });
    connect(tools->addAction(QString::fromUtf8("放大")), &QAction::triggered, this,
            [this] { view_->SetZoom(view_->Zoom() * kZoomStep); });
    connect(tools->addAction(QString::fromUtf8("适合宽度")), &QAction::triggered, view_,
            &PagePreviewView::FitWidth);
    connect(pageBox_, &QSpinBox::valueChanged, this, [this](int page) {
        if (page - 1 != view_->CurrentPage()) {
            view_->ShowPage(page - 1);
        }
    });
    connect(view_, &PagePreviewView::CurrentPageChanged, this,
            [this](int page) { pageBox_->setValue(page + 1); });
    resize(1000, 720);
}

GridPreviewDialog::~GridPreviewDialog() = default;

bool GridPreviewDialog::PrintTo(QPrinter& printer) {
    GridPages::SetPage(printer);
    QProgressDialog progress(QString::fromUtf8("正在打印…"), QString::fromUtf8("停止"), 0,
                             pages_->PageCount(), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    return pages_->PrintAll(printer, [&progress](int done) {
        progress.setValue(done);
        QApplication::processEvents();
        return !progress.wasCanceled();
    });
}

void GridPreviewDialog::PrintOnPrinter() {
    QPrinter printer(QPrinter::HighResolution);
    GridPages::SetPage(printer);
    QPrintDialog ask(&printer, this);
    ask.setMinMax(1, pages_->PageCount());
    ask.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (ask.exec() != QDialog::Accepted) {
        return;
    }
    PrintTo(printer);
}

void GridPreviewDialog::SavePdf() {
    SaveDialogRequest request;
    request.filter = kPdfFilter;
    request.defaultExtension = "pdf";
    const std::optional<SaveDialogAnswer> answer = host_.Dialog().AskSaveFile(request);
    if (!answer) {
        return;
    }
    const std::string path = WithChosenExtension(answer->path, request.filter, 1);
    // Written beside the file and renamed over it when whole: a job that is
    // stopped or fails leaves a file of that name as it was.
    const std::string partial = path + ".part";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QFile::decodeName(partial.c_str()));
    bool done = false;
    try {
        done = PrintTo(printer);
    } catch (...) {
        std::filesystem::remove(partial);
        throw;
    }
    std::error_code error;
    if (!done) {
        std::filesystem::remove(partial, error);
        return;
    }
    std::filesystem::rename(partial, path, error);
    if (error) {
        std::filesystem::remove(partial, error);
        throw std::runtime_error(u8"无法写入 PDF 文件："_gbk + text::Utf8ToGbk(path));
    }
    host_.Dialog().ShowInformation(ExportDoneText(path));
}

}  // namespace vantrel::app
