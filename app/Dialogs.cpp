#include "Dialogs.h"

namespace vantrel::app {

std::string Dialogs::ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    return text;
}

}  // namespace vantrel::app
