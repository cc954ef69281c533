#include "Utf8.h"

#include <cstring>

namespace vantrel::text {

bool IsValidUtf8(std::string_view bytes) {
    Utf8Check check;
    check.Feed(bytes);
    return check.Valid();
}

bool IsPlainAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

void Utf8Check::Feed(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (!valid_) {
            return;
        }
        if (pending_ == 0) {
            // Runs of ASCII, most of a list, eight bytes at a time.
            for (std::uint64_t word = 0; i + 8 <= bytes.size(); i += 8) {
                std::memcpy(&word, bytes.data() + i, 8);
                if ((word & 0x8080808080808080ull) != 0) {
                    break;
                }
            }
            if (i == bytes.size()) {
                return;
            }
        }
        const auto b = static_cast<unsigned char>(bytes[i++]);
        if (pending_ > 0) {
            if ((b & 0xC0) != 0x80) {
                valid_ = false;
                return;
            }
            // Overlong forms, surrogates and values past U+10FFFF are
            // ruled out by the first continuation byte.
            if (second_) {
                second_ = false;
                if ((lead_ == 0xE0 && b < 0xA0) || (lead_ == 0xED && b > 0x9F) ||
                    (lead_ == 0xF0 && b < 0x90) || (lead_ == 0xF4 && b > 0x8F)) {
                    valid_ = false;
                    return;
                }
            }
            --pending_;
            continue;
        }
        if (b < 0x80) {
            continue;
        }
        nonAscii_ = true;
        lead_ = b;
        second_ = true;
        if (b >= 0xC2 && b <= 0xDF) {
            pending_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            pending_ = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            pending_ = 3;
        } else {
            valid_ = false;
        }
    }
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        code = 0xFFFD;
    }
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace vantrel::text
