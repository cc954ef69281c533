#include "GbkConvert.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace vantrel::text {

namespace {

constexpr char kReplacement[] = "\xef\xbf\xbd";  // U+FFFD
constexpr char16_t kReplacement16 = u'\uFFFD';

void Append(std::string& out, const char* bytes, std::size_t size) {
    out.append(bytes, size);
}

// iconv writes UTF-16 in whole units, so `size` is even.
void Append(std::u16string& out, const char* bytes, std::size_t size) {
    out.append(reinterpret_cast<const char16_t*>(bytes), size / 2);
}

// One iconv descriptor. Each function below keeps one per thread: a
// descriptor carries state and must not be shared between threads.
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

    // Converts as much as it can, appending to `out`; returns false at an
    // invalid or incomplete sequence, with `in`/`inLeft` at its first byte.
    template <typename Out>
    bool Run(const char*& in, std::size_t& inLeft, Out& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
            Append(out, buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                return false;
            }
        }
        return true;
    }

  private:
    iconv_t cd_;
};

// GBK to UTF-8 or UTF-16: an unreadable byte becomes `mark`, and the
// conversion goes on after it.
template <typename Out>
Out DecodeGbk(Converter& converter, std::string_view gbk, const Out& mark) {
    Out out;
    out.reserve(gbk.size() + gbk.size() / 2);
    const char* in = gbk.data();
    std::size_t left = gbk.size();
    while (!converter.Run(in, left, out)) {
        out += mark;
        ++in;
        --left;
    }
    return out;
}

bool IsTrail(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

// Length of the well-formed UTF-8 character at the start of `text`, 0 when
// none starts there (a stray trail byte, an overlong form, a surrogate, a
// sequence cut short).
std::size_t Utf8CharLength(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsTrail(byte(i))) {
            return 0;
        }
    }
    return length;
}

// The GBK bytes of every UTF-16 unit outside the surrogates, as iconv's
// CP936 gives them: one or two bytes, none for a character GBK lacks.
class UnitTable {
  public:
    UnitTable() {
        // One unit at a time: a failure in a long run costs iconv far more
        // than the 63,000 short calls.
        Converter converter("CP936", "UTF-16LE");
        std::string out;
        for (std::uint32_t unit = 0x80; unit < 0x10000; ++unit) {
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                continue;
            }
            const char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
            const char* at = in;
            std::size_t left = sizeof in;
            out.clear();
            if (converter.Run(at, left, out) && (out.size() == 1 || out.size() == 2)) {
                code_[unit] = static_cast<std::uint16_t>(
                    out.size() == 2 ? static_cast<unsigned char>(out[0]) << 8 |
                                          static_cast<unsigned char>(out[1])
                                    : static_cast<unsigned char>(out[0]));
                length_[unit] = static_cast<std::uint8_t>(out.size());
            }
        }
    }

    // Appends the unit's bytes; false when GBK has no such character.
    bool Append(char16_t unit, std::string& out) const {
        const std::uint8_t length = length_[unit];
        if (length == 0) {
            return false;
        }
        const std::uint16_t code = code_[unit];
        if (length == 2) {
            out += static_cast<char>(code >> 8);
        }
        out += static_cast<char>(code & 0xFF);
        return true;
    }

  private:
    std::array<std::uint16_t, 0x10000> code_{};
    std::array<std::uint8_t, 0x10000> length_{};
};

const UnitTable& Units() {
    static const std::unique_ptr<UnitTable> table = std::make_unique<UnitTable>();
    return *table;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    thread_local Converter converter("UTF-8", "CP936");
    return DecodeGbk(converter, gbk, std::string(kReplacement));
}

std::u16string GbkToUtf16(std::string_view gbk) {
    thread_local Converter converter("UTF-16LE", "CP936");
    return DecodeGbk(converter, gbk, std::u16string(1, kReplacement16));
}

std::string Utf8ToGbk(std::string_view utf8, std::size_t* replaced) {
    thread_local Converter converter("CP936", "UTF-8");
    std::string gbk;
    gbk.reserve(utf8.size());
    std::size_t marks = 0;
    const char* in = utf8.data();
    std::size_t left = utf8.size();
    while (!converter.Run(in, left, gbk)) {
        // A whole character that GBK lacks, or one byte that starts none.
        const std::size_t length = Utf8CharLength(std::string_view(in, left));
        const std::size_t skip = length == 0 ? 1 : length;
        gbk += '?';
        ++marks;
        in += skip;
        left -= skip;
    }
    if (replaced != nullptr) {
        *replaced = marks;
    }
    return gbk;
}

std::string Utf16LeToGbk(std::string_view utf16le, std::size_t* replaced) {
    const UnitTable& table = Units();
    std::string gbk;
    gbk.reserve(utf16le.size());
    std::size_t marks = 0;
    const std::size_t units = utf16le.size() / 2;
    const auto unitAt = [&utf16le](std::size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(utf16le[2 * i]) |
                                     static_cast<unsigned char>(utf16le[2 * i + 1]) << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (unit < 0x80) {
            gbk += static_cast<char>(unit);
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            // A pair stands for one character beyond GBK; a lone half for
            // nothing readable. Either is one mark.
            if (unit <= 0xDBFF && i + 1 < units && unitAt(i + 1) >= 0xDC00 &&
                unitAt(i + 1) <= 0xDFFF) {
                ++i;
            }
        } else if (table.Append(unit, gbk)) {
            continue;
        }
        gbk += '?';
        ++marks;
    }
    if (utf16le.size() % 2 != 0) {
        gbk += '?';
        ++marks;
    }
    if (replaced != nullptr) {
        *replaced = marks;
    }
    return gbk;
}

std::size_t Utf16ToGbkStrict(std::u16string_view utf16, std::string& gbk) {
    thread_local Converter converter("CP936", "UTF-16LE");
    gbk.clear();
    const std::size_t bytes = utf16.size() * sizeof(char16_t);
    const char* in = reinterpret_cast<const char*>(utf16.data());
    std::size_t left = bytes;
    if (!converter.Run(in, left, gbk)) {
        return (bytes - left) / sizeof(char16_t);
    }
    return std::u16string_view::npos;
}

}  // namespace vantrel::text
