#include "QtDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <cstdio>

#include "GbkLiteral.h"
#include "GbkText.h"

namespace vantrel::app {

namespace {

const std::string& kWarningCaption = u8"警告！"_gbk;
const std::string& kConfirmCaption = u8"确认"_gbk;

QString AppCaption() {
    return QStringLiteral("Vantrel");
}

// On the offscreen platform nobody can see or answer a modal box: its text
// and buttons go to stderr and it is answered as if closed, so that a program run
// without a display never hangs on a box.
bool Headless() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void Report(const QString& caption, const QString& text) {
    std::fprintf(stderr, "vantrel: %s: %s\n", caption.toUtf8().constData(),
                 text.toUtf8().constData());
    std::fflush(stderr);
}

// The box's buttons as it would show them (in Chinese where Qt's
// translation is installed), without their keys: "[是/否]".
QString ButtonNames(QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) {
    static const QRegularExpression mnemonic(QStringLiteral("\\(&[^&]\\)|&(?!&)"));
    QMessageBox box(icon, QString(), QString(), buttons);
    QStringList names;
    for (const QMessageBox::StandardButton button :
         {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
        if (buttons.testFlag(button)) {
            names << box.button(button)->text().remove(mnemonic).trimmed();
        }
    }
    return QLatin1Char('[') + names.join(QLatin1Char('/')) + QLatin1Char(']');
}

int RunBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
           QMessageBox::StandardButtons buttons, QWidget* parent) {
    if (Headless()) {
        Report(caption, text + QLatin1Char(' ') + ButtonNames(icon, buttons));
        if (buttons.testFlag(QMessageBox::No)) {
            return QMessageBox::No;
        }
        return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
    }
    QMessageBox box(icon, caption, text, buttons, parent);
    return box.exec();
}

}  // namespace

void QtDialogs::ShowInformation(const std::string& text) {
    RunBox(QMessageBox::NoIcon, AppCaption(), FromGbk(text), QMessageBox::Ok, nullptr);
}

void QtDialogs::ShowErrorBox(const std::string& text) {
    RunBox(QMessageBox::Critical, AppCaption(), FromGbk(text), QMessageBox::Ok, nullptr);
}

ModalResult QtDialogs::ShowWarning(const std::string& text) {
    int answer = RunBox(QMessageBox::Warning, FromGbk(kWarningCaption), FromGbk(text),
                        QMessageBox::Yes | QMessageBox::No, mainWindow_.data());
    return answer == QMessageBox::Yes ? ModalResult::Yes : ModalResult::No;
}

// Without a display the box counts as answered OK, so that a sweep whose
// sends fail ends instead of asking at every address.
ModalResult QtDialogs::ShowSendError(const std::string& text) {
    const QString caption = QStringLiteral("SOCKET ERROR");
    if (Headless()) {
        Report(caption, FromGbk(text));
        return ModalResult::Ok;
    }
    int answer = RunBox(QMessageBox::NoIcon, caption, FromGbk(text),
                        QMessageBox::Ok | QMessageBox::Cancel, mainWindow_.data());
    return answer == QMessageBox::Ok ? ModalResult::Ok : ModalResult::Cancel;
}

ModalResult QtDialogs::ShowConfirmation(const std::string& text) {
    int answer = RunBox(QMessageBox::Question, FromGbk(kConfirmCaption), FromGbk(text),
                        QMessageBox::Ok | QMessageBox::Cancel, mainWindow_.data());
    return answer == QMessageBox::Ok ? ModalResult::Ok : ModalResult::Cancel;
}

// Without a display the answer is No, as for every box.
ModalResult QtDialogs::AskYesNo(const std::string& text) {
    int answer = RunBox(QMessageBox::Question, AppCaption(), FromGbk(text),
                        QMessageBox::Yes | QMessageBox::No, mainWindow_.data());
    return answer == QMessageBox::Yes ? ModalResult::Yes : ModalResult::No;
}

void QtDialogs::ShowApplicationError(const std::string& text) {
    RunBox(QMessageBox::Critical, QStringLiteral("Application Error"), FromGbk(text),
           QMessageBox::Ok, nullptr);
}

QStringList QtDialogs::NameFilters(const std::string& filter) {
    const QStringList parts = FromGbk(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& label = parts[i];
        const QString& pattern = parts[i + 1];
        const QString suffix = QLatin1Char('(') + pattern + QLatin1Char(')');
        if (label.endsWith(suffix, Qt::CaseInsensitive)) {
            filters << label;
        } else {
            filters << label + QLatin1Char(' ') + suffix;
        }
    }
    return filters;
}

std::optional<SaveDialogAnswer> QtDialogs::AskSaveFile(const SaveDialogRequest& request) {
    if (Headless()) {
        Report(QStringLiteral("Save"), QStringLiteral("no display, dialog cancelled"));
        return std::nullopt;
    }
    QFileDialog dialog(mainWindow_.data());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = NameFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    }
    if (!request.defaultExtension.empty()) {
        // The suffix added to a bare name follows the entry chosen, so that
        // a name typed under "*.CSV" does not become a ".XLS" file.
        dialog.setDefaultSuffix(FromGbk(request.defaultExtension));
        const QStringList parts = FromGbk(request.filter).split(QLatin1Char('|'));
        auto follow = [&dialog, filters, parts](const QString& chosen) {
            const qsizetype index = filters.indexOf(chosen);
            if (index >= 0 && 2 * index + 1 < parts.size()) {
                const QString pattern = parts[2 * index + 1].section(QLatin1Char(';'), 0, 0);
                if (pattern.startsWith(QLatin1String("*.")) && pattern.size() > 2) {
                    dialog.setDefaultSuffix(pattern.mid(2));
                }
            }
        };
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
            follow(filters[request.filterIndex - 1]);
        }
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    }
    if (!request.fileName.empty()) {
        dialog.selectFile(QFile::decodeName(request.fileName.c_str()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    SaveDialogAnswer answer;
    answer.path = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    answer.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return answer;
}

std::optional<std::string> QtDialogs::AskOpenFile(const std::vector<std::string>& filters) {
    if (Headless()) {
        Report(QStringLiteral("Open"), QStringLiteral("no display, dialog cancelled"));
        return std::nullopt;
    }
    QFileDialog dialog(mainWindow_.data());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList names;
    for (const std::string& filter : filters) {
        names.append(FromUtf8(filter));
    }
    dialog.setNameFilters(names);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace vantrel::app
