#include "InventoryDatasetSort.h"

#include <cstdint>

#include "Gbk.h"

namespace vantrel::store {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Counts up to this are one byte of the digit range, so that a number still
// sorts among other characters where its first digit would.
constexpr std::size_t kShortCount = 8;

}  // namespace

void AppendSortKey(std::string& key, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // The characters up to the next digit, kept in one piece; a trail
        // byte is never a digit, but it is stepped over with its lead.
        const std::size_t start = i;
        while (i < text.size() && !IsDigit(text[i])) {
            i += text::CharLength(text, i);
        }
        key.append(text.substr(start, i - start));
        if (i >= text.size()) {
            break;
        }
        std::size_t end = i;
        while (end < text.size() && IsDigit(text[end])) {
            ++end;
        }
        while (i < end && text[i] == '0') {
            ++i;
        }
        const std::size_t count = end - i;
        if (count <= kShortCount) {
            key.push_back(static_cast<char>('0' + count));
        } else {
            key.push_back('9');
            const auto wide = static_cast<std::uint32_t>(count);
            for (int shift = 24; shift >= 0; shift -= 8) {
                key.push_back(static_cast<char>((wide >> shift) & 0xFF));
            }
        }
        key.append(text.substr(i, count));
        i = end;
    }
}

int CompareForSort(std::string_view a, std::string_view b) {
    std::string left;
    std::string right;
    AppendSortKey(left, a);
    AppendSortKey(right, b);
    return left.compare(right);
}

}  // namespace vantrel::store
