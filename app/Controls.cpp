#include "Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "GbkLiteral.h"
#include "GbkText.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {
const std::string& kFontFace = u8"宋体"_gbk;
}  // namespace

// Latin letters half as wide as a Chinese character, as in 宋体, so the
// fixed column widths still hold a whole address or MAC. A proportional
// fallback such as DejaVu Sans is wider and cuts them.
QFont FaceFont(int pixels) {
    QFont font(FromGbk(kFontFace));
    font.setFamilies({FromGbk(kFontFace), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Sans Mono CJK SC"),
                      QStringLiteral("WenQuanYi Zen Hei Mono")});
    font.setPixelSize(pixels);
    return font;
}

QPushButton* MakeButton(QWidget* parent, const char* name, std::string_view caption, int x, int y,
                        int width) {
    auto* button = Named(new QPushButton(FromGbk(caption), parent), name);
    button->setGeometry(x, y, width, 25);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, std::string_view caption, int x, int y,
                  int width) {
    auto* label = Named(new QLabel(FromGbk(caption), parent), name);
    label->move(x, y);
    if (width > 0) {
        // Texts set later get room without re-measuring.
        label->resize(width, label->sizeHint().height());
    } else {
        label->adjustSize();
    }
    return label;
}

QComboBox* MakeComboBox(QWidget* parent, const char* name, int x, int width) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setGeometry(x, 7, width, 21);
    return box;
}

void ConnectClicks(TabHost& host,
                   std::initializer_list<std::pair<QPushButton*, std::function<void()>>> clicks) {
    for (const auto& [button, handler] : clicks) {
        QObject::connect(button, &QPushButton::clicked, button,
                         [&host, handler = handler] { host.RunHandler(handler); });
    }
}

}  // namespace vantrel::app
