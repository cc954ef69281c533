#include "SmbiosTable.h"

#include <array>
#include <cstdint>
#include <vector>

#include "Gbk.h"
#include "ValueFormats.h"

namespace vantrel::collector {

namespace {

constexpr std::size_t kHeaderSize = 8;

constexpr std::array<std::string_view, 8> kPlaceholders{
    "To be filled by O.E.M.", "To Be Filled By O.E.M.", "Default string",      "Not Specified",
    "Not Applicable",         "System Product Name",    "System manufacturer", "O.E.M."};

unsigned Byte(std::string_view data, std::size_t at) {
    return static_cast<unsigned char>(data[at]);
}

// One structure: its formatted area and the strings after it.
struct Structure {
    std::string_view formatted;
    std::vector<std::string_view> strings;

    // String number `index` named by the byte at `offset`; "" when the
    // structure is too short or the number names no string.
    std::string Text(std::size_t offset) const {
        if (offset >= formatted.size()) {
            return {};
        }
        const unsigned index = Byte(formatted, offset);
        if (index == 0 || index > strings.size()) {
            return {};
        }
        std::string out;
        for (char c : strings[index - 1]) {
            if (c >= 0x20 && c < 0x7F) {
                out += c;
            }
        }
        out = CleanText(out);
        for (std::string_view placeholder : kPlaceholders) {
            if (text::EqualsIgnoringAsciiCase(out, placeholder)) {
                return {};
            }
        }
        return out;
    }
};

std::string JoinTwo(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return a + b;
    }
    return a + " " + b;
}

}  // namespace

SmbiosFacts ParseSmbios(std::string_view raw) {
    SmbiosFacts facts;
    if (raw.size() < kHeaderSize) {
        return facts;
    }
    const std::uint32_t declared = Byte(raw, 4) | (Byte(raw, 5) << 8) | (Byte(raw, 6) << 16) |
                                   (static_cast<std::uint32_t>(Byte(raw, 7)) << 24);
    std::string_view table = raw.substr(kHeaderSize);
    if (declared < table.size()) {
        table = table.substr(0, declared);
    }
    bool seen[4] = {false, false, false, false};
    std::size_t at = 0;
    while (table.size() - at >= 4) {
        const unsigned type = Byte(table, at);
        const std::size_t length = Byte(table, at + 1);
        if (length < 4 || length > table.size() - at) {
            break;
        }
        Structure structure;
        structure.formatted = table.substr(at, length);
        // Strings follow, each NUL-terminated; two NULs end the set.
        std::size_t next = at + length;
        const std::size_t end = table.find(std::string_view("\0\0", 2), next);
        if (end == std::string_view::npos) {
            break;
        }
        while (next < end) {
            const std::size_t stop = table.find('\0', next);
            structure.strings.push_back(table.substr(next, stop - next));
            next = stop + 1;
        }
        if (type == 127) {
            break;
        }
        if (type < 4 && !seen[type]) {
            seen[type] = true;
            if (type == 0) {
                facts.biosVendor = structure.Text(4);
                facts.biosVersion = structure.Text(5);
                facts.biosDate = structure.Text(8);
            } else if (type == 1) {
                facts.systemMaker = structure.Text(4);
                facts.systemModel = structure.Text(5);
            } else if (type == 2) {
                facts.boardMaker = structure.Text(4);
                facts.boardModel = structure.Text(5);
            } else if (length > 5) {
                facts.chassisType = Byte(structure.formatted, 5) & 0x7F;
            }
        }
        at = end + 2;
    }
    return facts;
}

std::string BoardText(const SmbiosFacts& facts) {
    std::string board = JoinTwo(facts.boardMaker, facts.boardModel);
    return board.empty() ? JoinTwo(facts.systemMaker, facts.systemModel) : board;
}

}  // namespace vantrel::collector
