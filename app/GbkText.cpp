#include "GbkText.h"

#include <cstdio>

#include "GbkConvert.h"
#include "GbkLiteral.h"

namespace vantrel::app {

namespace {

// "输入的文字含有GBK编码无法表示的字符"
const std::string& kUnrepresentable = u8"输入的文字含有GBK编码无法表示的字符"_gbk;
// "，请改用其他文字。"
const std::string& kUseOtherText = u8"，请改用其他文字。"_gbk;

unsigned CodePointAt(const QString& text, qsizetype index) {
    const QChar c = text.at(index);
    if (c.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(c, text.at(index + 1));
    }
    return c.unicode();
}

}  // namespace

QString FromGbk(std::string_view bytes) {
    // ASCII is by far the common case and needs no converter.
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    const std::u16string utf16 = text::GbkToUtf16(bytes);
    return QString(reinterpret_cast<const QChar*>(utf16.data()),
                   static_cast<qsizetype>(utf16.size()));
}

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToGbk(const QString& text) {
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return text.toLatin1().toStdString();
    }
    std::string gbk;
    const std::size_t failed =
        text::Utf16ToGbkStrict(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                   static_cast<std::size_t>(text.size())),
                               gbk);
    if (failed != std::u16string_view::npos) {
        char code[16];
        std::snprintf(code, sizeof code, " U+%04X",
                      CodePointAt(text, static_cast<qsizetype>(failed)));
        throw GbkError(std::string(kUnrepresentable) + code + kUseOtherText);
    }
    return gbk;
}

}  // namespace vantrel::app
