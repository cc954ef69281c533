// Qt's own texts in Chinese: the buttons of a question box once the
// translation is installed, and a start as before when it is missing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>

#include "QtTranslation.h"

namespace vantrel::app::test {
namespace {

QString ButtonText(QMessageBox::StandardButton which) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return box.button(which)->text();
}

TEST(QtTranslation, QuestionBoxButtonsReadYesNoCancelInChinese) {
    QTranslator* translator = InstallQtTranslation(*QApplication::instance());
    if (translator == nullptr) {
        GTEST_SKIP() << "qtbase_zh_CN.qm is not installed (Debian qt6-translations-l10n)";
    }
    EXPECT_TRUE(ButtonText(QMessageBox::Yes).startsWith(QStringLiteral(u"是")))
        << ButtonText(QMessageBox::Yes).toStdString();
    EXPECT_TRUE(ButtonText(QMessageBox::No).startsWith(QStringLiteral(u"否")));
    EXPECT_TRUE(ButtonText(QMessageBox::Cancel).startsWith(QStringLiteral(u"取消")));
    QCoreApplication::removeTranslator(translator);
    delete translator;
    EXPECT_EQ(ButtonText(QMessageBox::Yes), QStringLiteral("&Yes"));
}

TEST(QtTranslation, AMissingFileLeavesQtsOwnTexts) {
    QTemporaryDir empty;
    EXPECT_EQ(InstallQtTranslation(*QApplication::instance(), empty.path()), nullptr);
    EXPECT_EQ(ButtonText(QMessageBox::Yes), QStringLiteral("&Yes"));
}

}  // namespace
}  // namespace vantrel::app::test
