#pragma once
// The one place where text reaches Qt's Unicode strings and leaves them:
// the program's code page 936 (GBK) bytes, and the UTF-8 text written in
// the source (a literal, a table of titles).

#include <QString>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel::app {

// Raised when text typed by the user cannot be held in GBK; what() is a GBK
// message for the error box.
class GbkError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// GBK bytes to text for a widget. Bytes that are not valid GBK each show as
// U+FFFD; nothing is dropped.
QString FromGbk(std::string_view bytes);

// UTF-8 text of the source to text for a widget.
QString FromUtf8(std::string_view utf8);

// Widget text to GBK bytes. Throws GbkError naming the first character that
// GBK cannot hold; text is never altered silently.
std::string ToGbk(const QString& text);

}  // namespace vantrel::app
