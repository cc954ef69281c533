#pragma once
// Qt's own texts (the file dialog, the buttons of every question, the text
// fields' context menus) in Chinese, as on a Chinese Windows.

#include <QString>

class QCoreApplication;
class QTranslator;

namespace vantrel::app {

// Loads qtbase_zh_CN.qm from `folder` (Qt's translations folder by default)
// and installs it in `application`, which owns it. Returns the translator,
// or nullptr when the file is missing or unreadable: the program then
// starts with Qt's English texts.
QTranslator* InstallQtTranslation(QCoreApplication& application, const QString& folder = {});

}  // namespace vantrel::app
