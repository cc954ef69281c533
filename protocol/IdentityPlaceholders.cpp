#include "IdentityPlaceholders.h"

#include <array>
#include <cstddef>

namespace vantrel::protocol {

namespace {

// ASCII only, so that the rule reads the same as the shell script's.
constexpr std::array<std::string_view, 11> kPlaceholders{"To be filled by O.E.M.",
                                                         "Default string",
                                                         "System Serial Number",
                                                         "Not Specified",
                                                         "None",
                                                         "0123456789",
                                                         "N/A",
                                                         "Not Applicable",
                                                         "System Product Name",
                                                         "System manufacturer",
                                                         "O.E.M."};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Every character but the separators is `digit` (lower case).
bool OnlyDigit(std::string_view text, char digit) {
    bool any = false;
    for (char c : text) {
        if (c == '-' || c == ':' || c == '.' || IsBlank(c)) {
            continue;
        }
        if (Lower(c) != digit) {
            return false;
        }
        any = true;
    }
    return any;
}

int HexValue(char c) {
    c = Lower(c);
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool BytesCount(const std::array<int, 16>& bytes) {
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        if (bytes[i] != bytes[i - 1] + 1) {
            return false;
        }
    }
    return true;
}

bool WordsCount(const std::array<int, 16>& bytes) {
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        if (bytes[i] * 256 + bytes[i + 1] != bytes[i - 2] * 256 + bytes[i - 1] + 1) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsPlaceholderText(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty() || OnlyDigit(text, '0') || OnlyDigit(text, 'f')) {
        return true;
    }
    for (std::string_view placeholder : kPlaceholders) {
        if (SameIgnoringCase(text, placeholder)) {
            return true;
        }
    }
    return false;
}

bool IsPlaceholderUuid(std::string_view text) {
    std::array<int, 16> shown{};
    std::size_t digits = 0;
    for (char c : text) {
        if (c == '-') {
            continue;
        }
        const int value = HexValue(c);
        if (value < 0 || digits == 32) {
            return true;
        }
        shown[digits / 2] = shown[digits / 2] * 16 + value;
        ++digits;
    }
    if (digits != 32) {
        return true;
    }
    bool repeated = true;
    for (int byte : shown) {
        repeated = repeated && byte == shown[0];
    }
    // The bytes in the table's order: the first three groups reversed.
    std::array<int, 16> stored = shown;
    for (std::size_t i = 0; i < 4; ++i) {
        stored[i] = shown[3 - i];
    }
    stored[4] = shown[5];
    stored[5] = shown[4];
    stored[6] = shown[7];
    stored[7] = shown[6];
    return repeated || BytesCount(shown) || BytesCount(stored) || WordsCount(shown) ||
           WordsCount(stored);
}

}  // namespace vantrel::protocol
