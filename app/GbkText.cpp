#include "GbkText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace vantrel::app {

namespace {

// "输入的文字含有GBK编码无法表示的字符"
constexpr char kUnrepresentable[] =
    "\xca\xe4\xc8\xeb\xb5\xc4\xce\xc4\xd7\xd6\xba\xac\xd3\xd0\x47\x42\x4b\xb1\xe0\xc2\xeb\xce"
    "\xde\xb7\xa8\xb1\xed\xca\xbe\xb5\xc4\xd7\xd6\xb7\xfb";
// "，请改用其他文字。"
constexpr char kUseOtherText[] =
    "\xa3\xac\xc7\xeb\xb8\xc4\xd3\xc3\xc6\xe4\xcb\xfb\xce\xc4\xd7\xd6\xa1\xa3";

// One converter per direction and thread: iconv descriptors carry state and
// must not be shared between threads.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; returns false at an invalid or
    // incomplete sequence, with `in`/`inLeft` at the offending byte.
    bool Run(const char*& in, std::size_t& inLeft, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                return false;
            }
        }
        return true;
    }

  private:
    iconv_t cd_;
};

Converter& GbkToUtf16() {
    thread_local Converter converter("UTF-16LE", "CP936");
    return converter;
}

Converter& Utf16ToGbk() {
    thread_local Converter converter("CP936", "UTF-16LE");
    return converter;
}

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
    std::string utf16;
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    while (!GbkToUtf16().Run(in, left, utf16)) {
        // One replacement mark per undecodable byte, then go on after it.
        utf16.append("\xFD\xFF", 2);
        ++in;
        --left;
    }
    return QString(reinterpret_cast<const QChar*>(utf16.data()),
                   static_cast<qsizetype>(utf16.size() / 2));
}

std::string ToGbk(const QString& text) {
    std::string gbk;
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
    const char* in = reinterpret_cast<const char*>(text.utf16());
    std::size_t left = static_cast<std::size_t>(text.size()) * 2;
    if (!Utf16ToGbk().Run(in, left, gbk)) {
        const auto index =
            static_cast<qsizetype>((static_cast<std::size_t>(text.size()) * 2 - left) / 2);
        char code[16];
        std::snprintf(code, sizeof code, " U+%04X", CodePointAt(text, index));
        throw GbkError(std::string(kUnrepresentable) + code + kUseOtherText);
    }
    return gbk;
}

}  // namespace vantrel::app
