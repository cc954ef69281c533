#include "WindowSettings.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QSettings>
#include <QSplitter>
#include <QVariantList>
#include <memory>

namespace vantrel::app {

namespace {

const QString kGeometry = QStringLiteral("window/geometry");
const QString kSplitter = QStringLiteral("window/splitter");
const QString kColumns = QStringLiteral("inventory/columnWidths");
// Narrower than this, a column could not be found again to widen it.
constexpr int kMinColumnWidth = 8;

std::unique_ptr<QSettings> Open(const QString& file) {
    if (file.isEmpty()) {
        return std::make_unique<QSettings>(QStringLiteral("Vantrel"), QStringLiteral("Vantrel"));
    }
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

QVariantList Ints(const QList<int>& values) {
    QVariantList list;
    for (int value : values) {
        list.append(value);
    }
    return list;
}

}  // namespace

WindowSettings::WindowSettings(QString file) : file_(std::move(file)) {}

void WindowSettings::Restore(QMainWindow& window, QSplitter& splitter, QHeaderView& columns) const {
    const auto settings = Open(file_);
    if (const QByteArray geometry = settings->value(kGeometry).toByteArray(); !geometry.isEmpty()) {
        window.restoreGeometry(geometry);
    }
    const QVariantList sizes = settings->value(kSplitter).toList();
    if (sizes.size() == splitter.count()) {
        QList<int> restored;
        bool usable = true;
        for (const QVariant& size : sizes) {
            restored.append(size.toInt());
            usable = usable && restored.back() > 0;
        }
        if (usable) {
            splitter.setSizes(restored);
        }
    }
    const QVariantList widths = settings->value(kColumns).toList();
    if (widths.size() == columns.count()) {
        for (int c = 0; c < columns.count(); ++c) {
            bool ok = false;
            const int width = widths[c].toInt(&ok);
            if (ok && width >= kMinColumnWidth) {
                columns.resizeSection(c, width);
            }
        }
    }
}

void WindowSettings::Save(const QMainWindow& window, const QSplitter& splitter,
                          const QHeaderView& columns) const {
    const auto settings = Open(file_);
    settings->setValue(kGeometry, window.saveGeometry());
    settings->setValue(kSplitter, Ints(splitter.sizes()));
    QList<int> widths;
    for (int c = 0; c < columns.count(); ++c) {
        widths.append(columns.sectionSize(c));
    }
    settings->setValue(kColumns, Ints(widths));
    settings->sync();
}

}  // namespace vantrel::app
