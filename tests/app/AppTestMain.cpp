// Window tests need one application object on the offscreen platform; it is
// the program's own, so that errors escaping event handlers are caught as in
// the program.
#include <gtest/gtest.h>

#include <QStandardPaths>

#include "VantrelApplication.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    // A window made without a settings file of its own keeps no settings
    // in the user's.
    QStandardPaths::setTestModeEnabled(true);
    vantrel::app::VantrelApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
