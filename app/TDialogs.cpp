#include "TDialogs.h"

namespace vantrel::app {

std::string TDialogs::ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    return text;
}

}  // namespace vantrel::app
