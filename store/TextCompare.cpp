#include "TextCompare.h"

namespace vantrel::store {

namespace {

unsigned char Fold(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// Whether `needle` matches `text` from `at` on, stepping over both by whole
// characters. The needle's character lengths decide: since a lead byte never
// equals a single-byte character, matching lead bytes keep both in step.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle) {
    if (text.size() - at < needle.size()) {
        return false;
    }
    std::size_t i = 0;
    while (i < needle.size()) {
        std::size_t length = GbkCharLength(needle, i);
        if (length == 2) {
            if (GbkCharLength(text, at + i) != 2 || text[at + i] != needle[i] ||
                text[at + i + 1] != needle[i + 1]) {
                return false;
            }
        } else if (GbkCharLength(text, at + i) != 1 || Fold(text[at + i]) != Fold(needle[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

bool GbkEqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MatchesAt(a, 0, b);
}

bool GbkContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    for (std::size_t at = 0; at + needle.size() <= haystack.size();
         at += GbkCharLength(haystack, at)) {
        if (MatchesAt(haystack, at, needle)) {
            return true;
        }
    }
    return false;
}

}  // namespace vantrel::store
