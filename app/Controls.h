#pragma once
// How the window's controls are made: the face and sizes every tab uses,
// and controls placed at fixed positions under the names the window
// declares them by.

#include <QFont>
#include <QLatin1String>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vantrel::app {

class TabHost;

// Row height of both grids.
inline constexpr int kGridRowHeight = 18;

// 宋体 where the machine has it; else faces with its metrics, at `pixels`.
QFont FaceFont(int pixels);

// Gives `object` its name and returns it.
template <typename T>
T* Named(T* object, const char* name) {
    object->setObjectName(QLatin1String(name));
    return object;
}

// A push button with a GBK caption, 25 pixels high.
QPushButton* MakeButton(QWidget* parent, const char* name, std::string_view caption, int x, int y,
                        int width);
// A label with a GBK caption; `width` 0 sizes it to its caption.
QLabel* MakeLabel(QWidget* parent, const char* name, std::string_view caption, int x, int y,
                  int width = 0);
// An editable combo box of the command bar, 21 pixels high at y 7.
QComboBox* MakeComboBox(QWidget* parent, const char* name, int x, int width);

// Runs each button's handler through the host when the button is clicked.
void ConnectClicks(TabHost& host,
                   std::initializer_list<std::pair<QPushButton*, std::function<void()>>> clicks);

}  // namespace vantrel::app
