#include "Gbk.h"

namespace vantrel::text {

namespace {

template <char (*Fold)(char)>
std::string FoldOutsideDoubleBytes(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); i += CharLength(out, i)) {
        out[i] = Fold(out[i]);
    }
    return out;
}

// Whether `needle` matches `text` from `at` on. The needle's character
// lengths decide; since a lead byte never equals a single-byte character,
// matching lead bytes keep both texts in step.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle) {
    if (text.size() - at < needle.size()) {
        return false;
    }
    std::size_t i = 0;
    while (i < needle.size()) {
        std::size_t length = CharLength(needle, i);
        if (length == 2) {
            if (CharLength(text, at + i) != 2 || text[at + i] != needle[i] ||
                text[at + i + 1] != needle[i + 1]) {
                return false;
            }
        } else if (CharLength(text, at + i) != 1 ||
                   AsciiLower(text[at + i]) != AsciiLower(needle[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
    return FoldOutsideDoubleBytes<static_cast<char (*)(char)>(AsciiLower)>(text);
}

std::string AsciiUpper(std::string_view text) {
    return FoldOutsideDoubleBytes<static_cast<char (*)(char)>(AsciiUpper)>(text);
}

std::size_t FindSingleByte(std::string_view text, char wanted, std::size_t from) {
    for (std::size_t i = from; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == wanted) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MatchesAt(a, 0, b);
}

bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    for (std::size_t at = 0; at + needle.size() <= haystack.size();
         at += CharLength(haystack, at)) {
        if (MatchesAt(haystack, at, needle)) {
            return true;
        }
    }
    return false;
}

bool IsValidGbk(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b == 0xFF) {
            return false;
        }
        if (IsLeadByte(text[i])) {
            if (i + 1 == text.size()) {
                return false;
            }
            auto trail = static_cast<unsigned char>(text[++i]);
            if (trail < 0x40 || trail == 0x7F || trail == 0xFF) {
                return false;
            }
        }
    }
    return true;
}

std::string_view CutAtCharBoundary(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t next = end + CharLength(text, end);
        if (next > maxBytes) {
            break;
        }
        end = next;
    }
    return text.substr(0, end);
}

}  // namespace vantrel::text
