#pragma once
// BIFF8 records, workbook streams and the compound file around them, built
// byte by byte so that a test can make any part of an .xls wrong.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::import::testing::xls {

inline void Put16(std::string& b, std::uint32_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8 & 0xFF);
}
inline void Put32(std::string& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutDouble(std::string& b, double d) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    Put32(b, static_cast<std::uint32_t>(bits));
    Put32(b, static_cast<std::uint32_t>(bits >> 32));
}
inline std::string Utf16(std::u16string_view text) {
    std::string b;
    for (const char16_t c : text) {
        Put16(b, c);
    }
    return b;
}

// One 128-byte entry of a compound file's directory: its name (UTF-16,
// `length` bytes with the terminator, as the file claims), type, child and
// the start and size of its stream; no siblings.
inline std::string DirectoryEntry(std::u16string_view name, std::uint16_t length, char type,
                                  std::uint32_t child, std::uint32_t start, std::uint32_t size) {
    std::string e = Utf16(name);
    e.resize(64, '\0');
    Put16(e, length);
    e += type;
    e += '\x01';
    Put32(e, 0xFFFFFFFF);
    Put32(e, 0xFFFFFFFF);
    Put32(e, child);
    e.append(36, '\0');
    Put32(e, start);
    Put32(e, size);
    Put32(e, 0);
    return e;
}

inline std::string Record(std::uint16_t type, std::string_view body) {
    std::string b;
    Put16(b, type);
    Put16(b, static_cast<std::uint32_t>(body.size()));
    return b + std::string(body);
}
// BOF of BIFF8 (or `version` 0x0500: BIFF5); `kind` 5: workbook globals,
// 0x10: worksheet.
inline std::string Bof(std::uint16_t kind, std::uint16_t version = 0x0600) {
    std::string b;
    Put16(b, version);
    Put16(b, kind);
    b.append(12, '\0');
    return Record(0x0809, b);
}
inline std::string Eof() {
    return Record(0x000A, "");
}
inline std::string CellHead(std::uint16_t row, std::uint16_t col, std::uint16_t xf = 0) {
    std::string b;
    Put16(b, row);
    Put16(b, col);
    Put16(b, xf);
    return b;
}
inline std::string WideText(std::u16string_view text) {
    std::string b;
    Put16(b, static_cast<std::uint32_t>(text.size()));
    b += '\x01';
    return b + Utf16(text);
}
inline std::string Label(std::uint16_t row, std::uint16_t col, std::u16string_view text) {
    return Record(0x0204, CellHead(row, col) + WideText(text));
}
// A LABEL of 8-bit text, as a bare stream (BIFF5 layout) holds it.
inline std::string ByteLabel(std::uint16_t row, std::uint16_t col, std::string_view text) {
    std::string b = CellHead(row, col);
    Put16(b, static_cast<std::uint32_t>(text.size()));
    return Record(0x0204, b + std::string(text));
}
inline std::string Number(std::uint16_t row, std::uint16_t col, double v, std::uint16_t xf = 0) {
    std::string b = CellHead(row, col, xf);
    PutDouble(b, v);
    return Record(0x0203, b);
}
inline std::string LabelSst(std::uint16_t row, std::uint16_t col, std::uint32_t index) {
    std::string b = CellHead(row, col);
    Put32(b, index);
    return Record(0x00FD, b);
}
// A FORMULA with an empty expression and the cached result `result`.
inline std::string Formula(std::uint16_t row, std::uint16_t col, std::string_view result,
                           std::uint16_t xf = 0) {
    std::string b = CellHead(row, col, xf) + std::string(result);
    b.append(8, '\0');  // options, chn, expression length 0
    return Record(0x0006, b);
}
inline std::string NumberResult(double v) {
    std::string b;
    PutDouble(b, v);
    return b;
}
// A special result: 0 text (STRING follows), 1 boolean, 2 error, 3 empty.
inline std::string SpecialResult(char kind, char value = 0) {
    std::string b{kind, 0, value};
    b.append(3, '\0');
    b.append(2, '\xFF');
    return b;
}
inline std::string String(std::u16string_view text) {
    return Record(0x0207, WideText(text));
}
inline std::string Merged(const std::vector<std::vector<std::uint16_t>>& ranges) {
    std::string b;
    Put16(b, static_cast<std::uint32_t>(ranges.size()));
    for (const auto& r : ranges) {
        for (const std::uint16_t v : r) {  // first row, last row, first col, last col
            Put16(b, v);
        }
    }
    return Record(0x00E5, b);
}

// An SST of `strings`, its record ending after every `split` bytes so that
// strings run on into CONTINUE records, each going on with the narrowest
// width that holds the rest of it.
inline std::string SharedStrings(const std::vector<std::u16string>& strings, std::size_t split) {
    std::vector<std::string> parts(1);
    Put32(parts[0], static_cast<std::uint32_t>(strings.size()));
    Put32(parts[0], static_cast<std::uint32_t>(strings.size()));
    const auto narrow = [](std::u16string_view s) {
        for (const char16_t c : s) {
            if (c > 0xFF) {
                return false;
            }
        }
        return true;
    };
    for (const std::u16string& s : strings) {
        if (parts.back().size() + 3 > split) {
            parts.emplace_back();
        }
        bool thin = narrow(s);
        Put16(parts.back(), static_cast<std::uint32_t>(s.size()));
        parts.back() += thin ? '\0' : '\x01';
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (parts.back().size() + 2 > split) {
                parts.emplace_back();
                thin = narrow(std::u16string_view(s).substr(i));
                parts.back() += thin ? '\0' : '\x01';
            }
            if (thin) {
                parts.back() += static_cast<char>(s[i]);
            } else {
                Put16(parts.back(), s[i]);
            }
        }
    }
    std::string b = Record(0x00FC, parts[0]);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        b += Record(0x003C, parts[i]);
    }
    return b;
}

// A workbook stream: globals (`globals` between the BOF and the sheet
// names), then each sheet's records between its BOF and EOF.
struct Sheet {
    std::u16string name;
    std::string records;
    std::uint8_t kind = 0;  // 0 worksheet, 2 chart
};
inline std::string Workbook(const std::string& globals, const std::vector<Sheet>& sheets) {
    const auto boundSheet = [](const Sheet& sheet, std::uint32_t offset) {
        std::string b;
        Put32(b, offset);
        b += '\0';
        b += static_cast<char>(sheet.kind);
        b += static_cast<char>(sheet.name.size());
        b += '\x01';
        return Record(0x0085, b + Utf16(sheet.name));
    };
    std::size_t offset = Bof(5).size() + globals.size() + Eof().size();
    for (const Sheet& sheet : sheets) {
        offset += boundSheet(sheet, 0).size();
    }
    std::string head = Bof(5) + globals;
    std::string body;
    for (const Sheet& sheet : sheets) {
        head += boundSheet(sheet, static_cast<std::uint32_t>(offset + body.size()));
        body += Bof(0x10) + sheet.records + Eof();
    }
    return head + Eof() + body;
}

// What to make wrong in the compound file.
struct Damage {
    std::uint16_t nameLength = 0;    // of the stream's directory entry; 0: right
    bool streamLoops = false;        // its third sector leads back to its first
    bool directoryLoops = false;     // the directory's sector leads to itself
    std::size_t cutTo = 0;           // the file's length; 0: whole
    std::uint32_t declaredSize = 0;  // the stream's size in its entry; 0: right
    std::u16string name = u"Workbook";
};

// A version 3 compound file (512-byte sectors) holding `stream` as
// "Workbook": FAT sectors, one directory sector, then the stream.
inline std::string Compound(std::string stream, const Damage& damage = {}) {
    constexpr std::uint32_t kEnd = 0xFFFFFFFE;
    constexpr std::uint32_t kFree = 0xFFFFFFFF;
    stream.resize(std::max<std::size_t>((stream.size() + 511) / 512 * 512, 4096), '\0');
    const std::uint32_t n = static_cast<std::uint32_t>(stream.size() / 512);
    std::uint32_t f = 1;
    while (f * 128 < f + 1 + n) {
        ++f;
    }
    std::vector<std::uint32_t> fat(f * 128, kFree);
    for (std::uint32_t i = 0; i < f; ++i) {
        fat[i] = 0xFFFFFFFD;
    }
    fat[f] = damage.directoryLoops ? f : kEnd;
    for (std::uint32_t i = 0; i < n; ++i) {
        fat[f + 1 + i] = i + 1 < n ? f + 2 + i : kEnd;
    }
    if (damage.streamLoops) {
        fat[f + 3] = f + 1;
    }
    std::string file("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    file.append(16, '\0');
    Put16(file, 0x3E);
    Put16(file, 3);
    Put16(file, 0xFFFE);
    Put16(file, 9);
    Put16(file, 6);
    file.append(10, '\0');
    Put32(file, f);
    Put32(file, f);  // first directory sector
    Put32(file, 0);
    Put32(file, 4096);
    Put32(file, kEnd);
    Put32(file, 0);
    Put32(file, kEnd);
    Put32(file, 0);
    for (std::uint32_t i = 0; i < 109; ++i) {
        Put32(file, i < f ? i : kFree);
    }
    for (const std::uint32_t entry : fat) {
        Put32(file, entry);
    }
    const auto entry = [](std::u16string_view name, std::uint16_t length, char type,
                          std::uint32_t child, std::uint32_t start, std::uint32_t size) {
        return DirectoryEntry(name, length, type, child, start, size);
    };
    file += entry(u"Root Entry", 22, 5, 1, kEnd, 0);
    const auto nameBytes = static_cast<std::uint16_t>(damage.name.size() * 2 + 2);
    file += entry(damage.name, damage.nameLength != 0 ? damage.nameLength : nameBytes, 2,
                  0xFFFFFFFF, f + 1, damage.declaredSize != 0 ? damage.declaredSize : n * 512);
    file += entry(u"", 0, 0, 0xFFFFFFFF, 0, 0);
    file += entry(u"", 0, 0, 0xFFFFFFFF, 0, 0);
    file += stream;
    if (damage.cutTo != 0) {
        file.resize(damage.cutTo);
    }
    return file;
}

// A compound file holding `stream` (under 4,096 bytes) as "Workbook" in
// the mini stream: one FAT sector, the directory, the mini FAT, then the
// root entry's stream of 64-byte mini sectors.
inline std::string CompoundSmall(std::string stream) {
    constexpr std::uint32_t kEnd = 0xFFFFFFFE;
    constexpr std::uint32_t kFree = 0xFFFFFFFF;
    const std::uint32_t size = static_cast<std::uint32_t>(stream.size());
    stream.resize((stream.size() + 511) / 512 * 512, '\0');
    const std::uint32_t minis = (size + 63) / 64;
    const std::uint32_t rootSectors = static_cast<std::uint32_t>(stream.size() / 512);
    std::vector<std::uint32_t> fat(128, kFree);
    fat[0] = 0xFFFFFFFD;
    fat[1] = kEnd;  // directory
    fat[2] = kEnd;  // mini FAT
    for (std::uint32_t i = 0; i < rootSectors; ++i) {
        fat[3 + i] = i + 1 < rootSectors ? 4 + i : kEnd;
    }
    std::vector<std::uint32_t> miniFat(128, kFree);
    for (std::uint32_t i = 0; i < minis; ++i) {
        miniFat[i] = i + 1 < minis ? i + 1 : kEnd;
    }
    std::string file("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    file.append(16, '\0');
    for (const std::uint32_t v : {0x3Eu, 3u, 0xFFFEu, 9u, 6u}) {
        Put16(file, v);
    }
    file.append(10, '\0');
    for (const std::uint32_t v : {1u, 1u, 0u, 4096u, 2u, 1u, kEnd, 0u, 0u}) {
        Put32(file, v);
    }
    for (std::uint32_t i = 1; i < 109; ++i) {
        Put32(file, kFree);
    }
    for (const std::uint32_t v : fat) {
        Put32(file, v);
    }
    const auto entry = [](std::u16string_view name, char type, std::uint32_t child,
                          std::uint32_t start, std::uint32_t bytes) {
        const auto length = static_cast<std::uint16_t>(name.empty() ? 0 : name.size() * 2 + 2);
        return DirectoryEntry(name, length, type, child, start, bytes);
    };
    file += entry(u"Root Entry", 5, 1, 3, minis * 64);
    file += entry(u"Workbook", 2, 0xFFFFFFFF, 0, size);
    file += entry(u"", 0, 0xFFFFFFFF, 0, 0) + entry(u"", 0, 0xFFFFFFFF, 0, 0);
    for (const std::uint32_t v : miniFat) {
        Put32(file, v);
    }
    return file + stream;
}

}  // namespace vantrel::import::testing::xls
