#include "Edid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Gbk.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"

namespace vantrel::inventory {

namespace {

constexpr std::size_t kBlockSize = 128;
constexpr std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t kDescriptorStart = 54;
constexpr std::size_t kDescriptorSize = 18;
constexpr std::uint8_t kSerialTag = 0xFF;
constexpr std::uint8_t kNameTag = 0xFC;

// The text of a display descriptor: up to 13 bytes, ended by a line feed
// and padded with blanks. Anything but printable ASCII ends it too, so
// that no control byte or half of a double-byte character reaches a cell.
std::string DescriptorText(std::span<const std::uint8_t> descriptor) {
    std::string text;
    for (std::size_t i = 5; i < kDescriptorSize; ++i) {
        const std::uint8_t byte = descriptor[i];
        if (byte < 0x20 || byte > 0x7E) {
            break;
        }
        text.push_back(static_cast<char>(byte));
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string PnpCode(std::uint8_t high, std::uint8_t low) {
    const unsigned packed = (static_cast<unsigned>(high) << 8) | low;
    std::string code;
    for (const int shift : {10, 5, 0}) {
        const unsigned letter = (packed >> shift) & 0x1F;
        if (letter < 1 || letter > 26) {
            return {};
        }
        code.push_back(static_cast<char>('A' + letter - 1));
    }
    return code;
}

}  // namespace

EdidInfo DecodeEdid(std::span<const std::uint8_t> bytes) {
    EdidInfo info;
    if (bytes.size() < kBlockSize) {
        info.problem = bytes.empty() ? u8"EDID 为空"_gbk : u8"EDID 不完整（不足 128 字节）"_gbk;
        return info;
    }
    const auto block = bytes.first(kBlockSize);
    if (!std::equal(std::begin(kHeader), std::end(kHeader), block.begin())) {
        info.problem = u8"EDID 头部不对"_gbk;
        return info;
    }
    // What the header vouches for is read even when the checksum fails, so
    // that a damaged EDID still shows whose monitor it came from.
    info.pnpCode = PnpCode(block[8], block[9]);
    info.productCode = static_cast<std::uint16_t>(block[10] | (block[11] << 8));
    info.serialNumber = static_cast<std::uint32_t>(block[12]) |
                        (static_cast<std::uint32_t>(block[13]) << 8) |
                        (static_cast<std::uint32_t>(block[14]) << 16) |
                        (static_cast<std::uint32_t>(block[15]) << 24);
    // Week 0xFF marks the year as the model year; weeks above 54 are not weeks.
    info.week = block[16] >= 1 && block[16] <= 54 ? block[16] : 0;
    info.year = block[17] != 0 ? 1990 + block[17] : 0;
    // Both sizes zero: not given; one zero: an aspect ratio, not a size.
    if (block[21] != 0 && block[22] != 0) {
        info.widthCm = block[21];
        info.heightCm = block[22];
        info.diagonalInches = std::hypot(info.widthCm, info.heightCm) / 2.54;
    }
    for (std::size_t at = kDescriptorStart; at + kDescriptorSize <= kBlockSize - 2;
         at += kDescriptorSize) {
        const auto descriptor = block.subspan(at, kDescriptorSize);
        if (descriptor[0] != 0 || descriptor[1] != 0 || descriptor[2] != 0) {
            continue;  // a timing, not a display descriptor
        }
        if (descriptor[3] == kSerialTag && info.serialText.empty()) {
            info.serialText = DescriptorText(descriptor);
        } else if (descriptor[3] == kNameTag && info.modelName.empty()) {
            info.modelName = DescriptorText(descriptor);
        }
    }
    info.extensionBlocks = block[126];
    unsigned sum = 0;
    for (const std::uint8_t byte : block) {
        sum += byte;
    }
    if (sum % 256 != 0) {
        info.problem = u8"EDID 校验和不对（数据已损坏）"_gbk;
        return info;
    }
    info.valid = true;
    return info;
}

std::optional<std::vector<std::uint8_t>> EdidFromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = text::AsciiHexValue(hex[i]);
        const int low = text::AsciiHexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

PnpMakerList PnpMakerList::FromFile(const std::string& path) {
    PnpMakerList list;
    std::ifstream file(path, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() < 5 || line[3] != '\t' || line.front() == '#') {
            continue;
        }
        list.names_.emplace_back(line.substr(0, 3), text::Utf8ToGbk(line.substr(4)));
    }
    std::stable_sort(list.names_.begin(), list.names_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return list;
}

std::string PnpMakerList::NameOf(std::string_view code) const {
    const auto found =
        std::lower_bound(names_.begin(), names_.end(), code,
                         [](const auto& entry, std::string_view key) { return entry.first < key; });
    if (found == names_.end() || found->first != code) {
        return std::string(code);
    }
    return found->second;
}

std::string MonitorMakerName(std::string_view pnpCode) {
    static const PnpMakerList list = PnpMakerList::FromFile("/usr/share/hwdata/pnp.ids");
    return list.NameOf(pnpCode);
}

std::string MonitorTitle(const EdidInfo& info) {
    std::string title = info.pnpCode;
    std::string model = info.modelName;
    if (model.empty() && !info.pnpCode.empty()) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(info.productCode));
        model = code;
    }
    if (!model.empty()) {
        title += title.empty() ? model : " " + model;
    }
    return title;
}

}  // namespace vantrel::inventory
