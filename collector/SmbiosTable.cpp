#include "SmbiosTable.h"

#include <array>
#include <cstdint>
#include <vector>

#include "IdentityPlaceholders.h"
#include "ValueFormats.h"

namespace vantrel::collector {

namespace {

constexpr std::size_t kHeaderSize = 8;

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
        return protocol::IsPlaceholderText(out) ? std::string() : out;
    }

    // The 16 bytes at `offset` as a UUID's text; "" when the structure is
    // too short or the bytes are a placeholder.
    std::string Uuid(std::size_t offset, bool littleEndian) const {
        if (formatted.size() < offset + 16) {
            return {};
        }
        // Byte order of the text: the first three fields reversed when
        // they are stored little-endian.
        static constexpr std::array<std::size_t, 16> kSwapped{3, 2, 1,  0,  5,  4,  7,  6,
                                                              8, 9, 10, 11, 12, 13, 14, 15};
        static const char kDigits[] = "0123456789ABCDEF";
        std::string out;
        for (std::size_t i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10) {
                out += '-';
            }
            const unsigned byte = Byte(formatted, offset + (littleEndian ? kSwapped[i] : i));
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
        }
        return protocol::IsPlaceholderUuid(out) ? std::string() : out;
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
    const bool uuidLittleEndian = Byte(raw, 1) > 2 || (Byte(raw, 1) == 2 && Byte(raw, 2) >= 6);
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
                facts.systemVersion = structure.Text(6);
                facts.systemSerial = structure.Text(7);
                facts.uuid = structure.Uuid(8, uuidLittleEndian);
            } else if (type == 2) {
                facts.boardMaker = structure.Text(4);
                facts.boardModel = structure.Text(5);
                facts.boardSerial = structure.Text(7);
            } else {
                facts.chassisType = length > 5 ? Byte(structure.formatted, 5) & 0x7F : 0;
                facts.chassisSerial = structure.Text(7);
                facts.assetTag = structure.Text(8);
            }
        }
        at = end + 2;
    }
    return facts;
}

std::string ModelText(const std::string& name, const std::string& version) {
    std::string lowerName = name;
    std::string lowerVersion = version;
    for (std::string* text : {&lowerName, &lowerVersion}) {
        for (char& c : *text) {
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    if (version.empty() || lowerName.find(lowerVersion) != std::string::npos) {
        return name;
    }
    return JoinTwo(name, version);
}

std::string BoardText(const SmbiosFacts& facts) {
    std::string board = JoinTwo(facts.boardMaker, facts.boardModel);
    return board.empty() ? JoinTwo(facts.systemMaker, facts.systemModel) : board;
}

}  // namespace vantrel::collector
